// The frame routine: steps the wave field and, every thirtieth call, draws it.
#include "render/frame.h"

#include "camera/camera.h"
#include "common/grid.h"
#include "overlay/frame_rate_counter.h"
#include "wave/field.h"

#include "platform/gl_headers.h"

int32_t renderCounter = 0;

void resetFrameCounterForTesting()
{
    renderCounter = 0;
}

namespace {

constexpr float HEIGHT_SCALE = 1.0f;    // world units per unit of height
constexpr float AXIS_LENGTH = 4.0f;     // world units
constexpr float AXIS_WIDTH = 4.0f;      // pixels

const GLfloat noAmbient[] = {0.0f, 0.0f, 0.0f, 1.0f};
const GLfloat lightPosition[] = {200.0f, 200.0f, 200.0f, 1.0f};  // positional, world coordinates

const GLfloat axisColours[3][4] = {
    {1.0f, 0.0f, 0.0f, 1.0f},  // x
    {0.0f, 1.0f, 0.0f, 1.0f},  // y
    {0.0f, 0.0f, 1.0f, 1.0f},  // z
};
const GLfloat axisEnds[3][3] = {
    {AXIS_LENGTH, 0.0f, 0.0f},
    {0.0f, AXIS_LENGTH, 0.0f},
    {0.0f, 0.0f, AXIS_LENGTH},
};

void surfaceVertex(int r, int c)
{
    const Vec3& n = normal[r][c];
    glNormal3f(n.x, n.y, n.z);
    glVertex3f(static_cast<float>(r) * CELL_SPACING + GRID_ORIGIN,
               static_cast<float>(c) * CELL_SPACING + GRID_ORIGIN,
               height[r][c] * HEIGHT_SCALE);
}

}  // namespace

void drawSurface()
{
    // One quad per cell pair, corners anticlockwise seen from +z so that the
    // front faces point up.
    for (int r = 0; r < GRID_SIZE - 1; ++r) {
        for (int c = 0; c < GRID_SIZE - 1; ++c) {
            glBegin(GL_QUADS);
            surfaceVertex(r, c);
            surfaceVertex(r + 1, c);
            surfaceVertex(r + 1, c + 1);
            surfaceVertex(r, c + 1);
            glEnd();
        }
    }
}

void drawAxes()
{
    // No normal is given: the axes keep the zero normal of the surface's last
    // corner (an edge cell), so only the ambient term lights them and each
    // shows its full colour from any view.
    for (int axis = 0; axis < 3; ++axis) {
        glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, axisColours[axis]);
        glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, axisColours[axis]);
        glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, axisColours[axis]);
        glColor4fv(axisColours[axis]);
        glLineWidth(AXIS_WIDTH);
        glBegin(GL_LINES);
        glVertex3f(0.0f, 0.0f, 0.0f);
        glVertex3fv(axisEnds[axis]);
        glEnd();
    }
    glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, noAmbient);
}

void onDisplay()
{
    stepWaves();

    ++renderCounter;
    if (renderCounter < RENDER_INTERVAL) {
        return;
    }
    renderCounter = 0;

    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    camera.look();

    glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, surfaceSpecular);
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, surfaceDiffuse);
    glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, surfaceAmbient);
    glColor3f(1.0f, 1.0f, 1.0f);
    drawSurface();
    drawAxes();

    // Deliberately after the drawing: each frame is lit from the position given
    // in the previous drawn frame (the first by GL's default light).
    glLightfv(GL_LIGHT0, GL_POSITION, lightPosition);

    frameRateCounter.countFrame();
    frameRateCounter.draw();

    glFinish();
    glutSwapBuffers();
}
