// Opening the program's window on a private Xvfb server, reading it back, and
// resetting the program between tests.
#include "tests/support/gl_window.h"

#include "camera/camera.h"
#include "camera/input.h"
#include "common/window_geometry.h"
#include "overlay/frame_rate_counter.h"
#include "overlay/text_overlay.h"
#include "render/frame.h"
#include "render/scene.h"
#include "wave/field.h"
#include "wave/source.h"

#include <GL/freeglut.h>  // glutExit() is freeglut's own
#include <GL/glu.h>
#include <GL/glx.h>
#include <X11/Xlib.h>

#include <cmath>
#include <memory>

namespace {

// One server and one window for the whole binary: a start-up costs about 0.1 s.
class GlWindowEnvironment : public ::testing::Environment {
public:
    void SetUp() override { server = openProgramWindow(); }

    void TearDown() override
    {
        // Close the connection first, or Xlib takes the lost server for a fatal error.
        glutExit();
        server.reset();
    }

private:
    std::unique_ptr<XvfbServer> server;
};

}  // namespace

Point pointerInWindow()
{
    return pointerIn(glXGetCurrentDisplay(), glXGetCurrentDrawable());
}

void warpPointerInWindow(int x, int y)
{
    warpPointer(glXGetCurrentDisplay(), glXGetCurrentDrawable(), Point{x, y});
}

void resetProgramState()
{
    resetFrameCounterForTesting();
    resetCameraForTesting();
    resetWaveFieldForTesting();
    restartSourceForTesting();
    resetFrameRateCounterForTesting();
    resetTextOverlayForTesting();
    resetWindowGeometryForTesting();
    resetPointerForTesting();
    // The GL state that tests change, and the sizes the reshape routine gives.
    glEnable(GL_LIGHTING);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    onReshape(TEST_WINDOW_SIZE, TEST_WINDOW_SIZE);
}

void drawFrames(int frames)
{
    for (int call = 0; call < frames * 30; ++call) {
        onDisplay();
    }
}

Matrix startView()
{
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    const Camera start;
    gluLookAt(start.position.x, start.position.y, start.position.z, start.view.x, start.view.y, start.view.z,
              start.up.x, start.up.y, start.up.z);
    const Matrix modelview = matrix(GL_MODELVIEW_MATRIX);
    glPopMatrix();
    return modelview;
}

Point projectFromStart(double x, double y, double z)
{
    const Matrix modelview = startView();
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    GLdouble wx, wy, wz;
    gluProject(x, y, z, modelview.data(), matrix(GL_PROJECTION_MATRIX).data(), viewport, &wx, &wy, &wz);
    return Point{static_cast<int>(std::floor(wx)), static_cast<int>(std::floor(wy))};
}

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new GlWindowEnvironment);
    return RUN_ALL_TESTS();
}
