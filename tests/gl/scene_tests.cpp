// Scene set-up and the reshape callback, read back from the real context.
#include "tests/gl/program_state.h"

#include "camera/camera.h"
#include "overlay/text_overlay.h"
#include "render/frame.h"
#include "render/scene.h"
#include "wave/field.h"

#include <GL/freeglut.h>

#include <cmath>
#include <numbers>

namespace {

using SceneTest = ProgramTest;

bool enabled(GLenum capability)
{
    return glIsEnabled(capability) == GL_TRUE;
}

int integerState(GLenum name)
{
    GLint value = 0;
    glGetIntegerv(name, &value);
    return value;
}

void expectWhite(const GLfloat* colour, const char* what)
{
    for (int i = 0; i < 4; ++i) {
        EXPECT_FLOAT_EQ(colour[i], 1.0f) << what << "[" << i << "]";
    }
}

}  // namespace

TEST_F(SceneTest, SetUpEstablishesLightingShadingAndTestsThatFramesKeep)
{
    // Spoil everything the set-up is responsible for, so each check below
    // shows the set-up's doing rather than a GL default.
    const GLfloat black[] = {0.0f, 0.0f, 0.0f, 0.0f};
    const GLfloat dull = 5.0f;
    glClearColor(1.0f, 0.0f, 0.0f, 1.0f);
    glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, 1);
    glMaterialfv(GL_FRONT_AND_BACK, GL_SHININESS, &dull);
    for (GLenum term : {GL_AMBIENT, GL_DIFFUSE, GL_SPECULAR}) {
        glLightfv(GL_LIGHT0, term, black);
    }
    for (GLenum capability : {GL_LIGHTING, GL_LIGHT0, GL_DEPTH_TEST, GL_LINE_SMOOTH, GL_POINT_SMOOTH}) {
        glDisable(capability);
    }
    glShadeModel(GL_FLAT);
    glHint(GL_LINE_SMOOTH_HINT, GL_FASTEST);
    glHint(GL_POINT_SMOOTH_HINT, GL_FASTEST);
    glDepthMask(GL_FALSE);

    initScene();
    drawFrames(1);

    EXPECT_TRUE(enabled(GL_LIGHTING));
    EXPECT_TRUE(enabled(GL_LIGHT0));
    EXPECT_TRUE(enabled(GL_DEPTH_TEST));
    EXPECT_TRUE(enabled(GL_LINE_SMOOTH));
    EXPECT_TRUE(enabled(GL_POINT_SMOOTH));
    EXPECT_EQ(integerState(GL_LINE_SMOOTH_HINT), GL_NICEST);
    EXPECT_EQ(integerState(GL_POINT_SMOOTH_HINT), GL_NICEST);
    EXPECT_EQ(integerState(GL_SHADE_MODEL), GL_SMOOTH);
    EXPECT_EQ(integerState(GL_DEPTH_WRITEMASK), GL_TRUE);
    EXPECT_EQ(integerState(GL_LIGHT_MODEL_TWO_SIDE), GL_FALSE);
    // Never switched on by the set-up or by a frame.
    EXPECT_FALSE(enabled(GL_BLEND));
    EXPECT_FALSE(enabled(GL_COLOR_MATERIAL));
    EXPECT_FALSE(enabled(GL_NORMALIZE));
    EXPECT_FALSE(enabled(GL_CULL_FACE));

    GLfloat value[4];
    glGetFloatv(GL_COLOR_CLEAR_VALUE, value);
    EXPECT_FLOAT_EQ(value[0] + value[1] + value[2], 0.0f);
    EXPECT_FLOAT_EQ(value[3], 1.0f);
    glGetLightfv(GL_LIGHT0, GL_AMBIENT, value);
    expectWhite(value, "light ambient");
    glGetLightfv(GL_LIGHT0, GL_DIFFUSE, value);
    expectWhite(value, "light diffuse");
    glGetLightfv(GL_LIGHT0, GL_SPECULAR, value);
    expectWhite(value, "light specular");
    glGetMaterialfv(GL_FRONT, GL_SHININESS, value);
    EXPECT_FLOAT_EQ(value[0], 50.0f);
    glGetMaterialfv(GL_BACK, GL_SHININESS, value);
    EXPECT_FLOAT_EQ(value[0], 50.0f);
}

TEST_F(SceneTest, SetUpClearsTheFieldAndParksTheHiddenPointerAtTheCentre)
{
    height[12][34] = 1.0f;
    velocity[40][3] = -2.0f;
    camera.redisplay = nullptr;
    warpPointerInWindow(20, 30);

    initScene();

    EXPECT_EQ(height[12][34], 0.0f);
    EXPECT_EQ(velocity[40][3], 0.0f);
    EXPECT_EQ(camera.redisplay, &onDisplay);
    const PointerPosition pointer = pointerInWindow();
    EXPECT_EQ(pointer.x, TEST_WINDOW_SIZE / 2);
    EXPECT_EQ(pointer.y, TEST_WINDOW_SIZE / 2);

    // Over the window the cursor has no visible pixel; over the bare screen
    // the server's own cursor shows, which proves the probe can see one.
    const int overWindow = visibleCursorPixels();
    if (overWindow < 0) {
        GTEST_SKIP() << "the X server's cursor image cannot be read (no XFixes)";
    }
    EXPECT_EQ(overWindow, 0);
    warpPointerOnScreen(5, 5);
    EXPECT_GT(visibleCursorPixels(), 0);
}

TEST_F(SceneTest, ReshapeSetsViewportProjectionCentreAndOverlaySize)
{
    glMatrixMode(GL_MODELVIEW);
    glTranslatef(1.0f, 2.0f, 3.0f);
    glMatrixMode(GL_PROJECTION);

    onReshape(501, 300);

    EXPECT_EQ(windowCentre.x, 250);
    EXPECT_EQ(windowCentre.y, 150);
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[0], 0);
    EXPECT_EQ(viewport[1], 0);
    EXPECT_EQ(viewport[2], 501);
    EXPECT_EQ(viewport[3], 300);

    // A perspective with a vertical field of view of 50 degrees whatever the
    // width, near plane 0.1, far plane 10000 (column-major).
    const double f = 1.0 / std::tan(25.0 * std::numbers::pi / 180.0);
    const double nearPlane = 0.1;
    const double farPlane = 10000.0;
    double expected[16] = {};
    expected[0] = f / (501.0 / 300.0);
    expected[5] = f;
    expected[10] = (farPlane + nearPlane) / (nearPlane - farPlane);
    expected[11] = -1.0;
    expected[14] = 2.0 * farPlane * nearPlane / (nearPlane - farPlane);
    GLdouble projection[16];
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    for (int i = 0; i < 16; ++i) {
        EXPECT_NEAR(projection[i], expected[i], 1e-5 * (1.0 + std::abs(expected[i]))) << "entry " << i;
    }

    EXPECT_EQ(integerState(GL_MATRIX_MODE), GL_MODELVIEW);
    GLdouble modelview[16];
    glGetDoublev(GL_MODELVIEW_MATRIX, modelview);
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(modelview[i], i % 5 == 0 ? 1.0 : 0.0) << "entry " << i;
    }

    // The overlay takes the size the toolkit reports, not the arguments.
    EXPECT_EQ(textOverlay.width, glutGet(GLUT_WINDOW_WIDTH));
    EXPECT_EQ(textOverlay.height, glutGet(GLUT_WINDOW_HEIGHT));
    EXPECT_EQ(textOverlay.width, TEST_WINDOW_SIZE);

    // A window squashed to no height, or to nothing (0 / 0 would be NaN),
    // still gives a usable projection.
    for (int width : {400, 0}) {
        onReshape(width, 0);
        EXPECT_EQ(windowCentre.x, width / 2);
        EXPECT_EQ(windowCentre.y, 0);
        glGetDoublev(GL_PROJECTION_MATRIX, projection);
        for (int i = 0; i < 16; ++i) {
            EXPECT_TRUE(std::isfinite(projection[i])) << "width " << width << ", entry " << i;
        }
    }
}
