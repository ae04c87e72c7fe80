// Resetting the program between GL tests.
#include "tests/gl/program_state.h"

#include "camera/camera.h"
#include "overlay/frame_rate_counter.h"
#include "overlay/text_overlay.h"
#include "render/frame.h"
#include "render/scene.h"
#include "wave/field.h"
#include "wave/source.h"

#include <GL/glu.h>

#include <cmath>

void resetProgramState()
{
    renderCounter = 0;
    camera = Camera{};
    camera.redisplay = onDisplay;
    clearHeights();
    clearVelocities();
    computeNormals();
    restartSourceForTesting();
    frameRateCounter = FrameRateCounter{};

    textOverlay.clear();
    textOverlay.seekp(0);
    textOverlay.x = 0;
    textOverlay.y = 0;
    textOverlay.setColor(1.0f, 1.0f, 1.0f, 1.0f);

    glEnable(GL_LIGHTING);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClearDepth(1.0);
    onReshape(TEST_WINDOW_SIZE, TEST_WINDOW_SIZE);
}

void drawFrames(int frames)
{
    for (int call = 0; call < frames * 30; ++call) {
        onDisplay();
    }
}

WindowPoint projectFromStart(double x, double y, double z)
{
    GLdouble modelview[16];
    GLdouble projection[16];
    GLint viewport[4];
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    gluLookAt(0.0, 25.0, 10.0, 0.0, 0.0, 0.0, 0.0, 0.0, 1.0);
    glGetDoublev(GL_MODELVIEW_MATRIX, modelview);
    glPopMatrix();
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    glGetIntegerv(GL_VIEWPORT, viewport);
    GLdouble wx;
    GLdouble wy;
    GLdouble wz;
    gluProject(x, y, z, modelview, projection, viewport, &wx, &wy, &wz);
    return WindowPoint{static_cast<int>(std::floor(wx)), static_cast<int>(std::floor(wy))};
}
