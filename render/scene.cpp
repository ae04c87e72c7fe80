// Scene set-up and the reshape callback.
#include "render/scene.h"

#include "camera/camera.h"
#include "common/window_geometry.h"
#include "overlay/text_overlay.h"
#include "render/frame.h"
#include "wave/field.h"

#include "platform/gl_headers.h"

#include <algorithm>

namespace {
const GLfloat lightColour[] = {1.0f, 1.0f, 1.0f, 1.0f};  // ambient, diffuse and specular alike
const GLfloat shininess = 50.0f;  // specular exponent, for the surface and the axes alike
}  // namespace

void initScene()
{
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glutSetCursor(GLUT_CURSOR_NONE);
    camera.redisplay = onDisplay;

    glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, 0);
    glMaterialfv(GL_FRONT_AND_BACK, GL_SHININESS, &shininess);
    glLightfv(GL_LIGHT0, GL_AMBIENT, lightColour);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, lightColour);
    glLightfv(GL_LIGHT0, GL_SPECULAR, lightColour);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glEnable(GL_DEPTH_TEST);
    glShadeModel(GL_SMOOTH);
    // Smoothed lines and points without blending: deliberately kept as set.
    glEnable(GL_LINE_SMOOTH);
    glHint(GL_LINE_SMOOTH_HINT, GL_NICEST);
    glEnable(GL_POINT_SMOOTH);
    glHint(GL_POINT_SMOOTH_HINT, GL_NICEST);
    glDepthMask(GL_TRUE);

    clearHeights();
    clearVelocities();

    windowSize.width = static_cast<int16_t>(glutGet(GLUT_WINDOW_WIDTH));
    windowSize.height = static_cast<int16_t>(glutGet(GLUT_WINDOW_HEIGHT));
    windowCentre.x = static_cast<int16_t>(windowSize.width >> 1);
    windowCentre.y = static_cast<int16_t>(windowSize.height >> 1);
    glutWarpPointer(windowCentre.x, windowCentre.y);
    // The light's position is set by every drawn frame, after its drawing.
}

void onReshape(int width, int height)
{
    glViewport(0, 0, width, height);

    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    // A window of height 0 (minimised to a line) would give an infinite aspect
    // ratio and a projection full of infinities; treat it as 1 pixel high.
    const double aspect = static_cast<double>(width) / static_cast<double>(std::max(height, 1));
    gluPerspective(FIELD_OF_VIEW_DEGREES, aspect, NEAR_PLANE, FAR_PLANE);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();

    windowSize.width = static_cast<int16_t>(width);
    windowSize.height = static_cast<int16_t>(height);
    windowCentre.x = static_cast<int16_t>(width >> 1);
    windowCentre.y = static_cast<int16_t>(height >> 1);

    textOverlay.resize(glutGet(GLUT_WINDOW_WIDTH), glutGet(GLUT_WINDOW_HEIGHT));
}
