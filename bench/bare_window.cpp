// The start-up benchmark's reference: a bare freeglut program that opens the
// same 500 x 500 RGB double-buffered window with depth and swaps one cleared
// frame. With --lit-mesh it first draws a lit, smooth-shaded, depth-tested
// 49 x 49 quad mesh as the program's frame does, which shows what the driver's
// first lit drawing costs. It runs until a signal ends it.
#include "platform/gl_headers.h"

#include <cstring>

namespace {

constexpr int SIZE = 500;       // window pixels, as the program's
constexpr int MESH_CELLS = 49;  // quads a side, as the program's surface
bool litMesh = false;

void drawLitMesh()
{
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glEnable(GL_DEPTH_TEST);
    glShadeModel(GL_SMOOTH);
    glMatrixMode(GL_PROJECTION);
    gluPerspective(50.0, 1.0, 0.1, 10000.0);
    glMatrixMode(GL_MODELVIEW);
    gluLookAt(0.0, 25.0, 10.0, 0.0, 0.0, 0.0, 0.0, 0.0, 1.0);
    for (int r = 0; r < MESH_CELLS; ++r) {
        for (int c = 0; c < MESH_CELLS; ++c) {
            glBegin(GL_QUADS);
            glNormal3f(0.0f, 0.0f, 1.0f);
            static constexpr int corners[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};  // anticlockwise from above
            for (const auto& [dr, dc] : corners) {
                glVertex3f(0.2f * static_cast<float>(r + dr) - 5.0f, 0.2f * static_cast<float>(c + dc) - 5.0f, 0.0f);
            }
            glEnd();
        }
    }
}

void display()
{
    // Not black, so that the benchmark's "first frame seen" finds it.
    glClearColor(0.2f, 0.4f, 0.6f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    if (litMesh) {
        drawLitMesh();
    }
    glutSwapBuffers();
}

}  // namespace

int main(int argc, char** argv)
{
    litMesh = argc > 1 && std::strcmp(argv[1], "--lit-mesh") == 0;
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
    glutInitWindowSize(SIZE, SIZE);
    glutInitWindowPosition(0, 0);  // wholly on the screen, so that the benchmark can read it back
    glutCreateWindow("bare");
    glutDisplayFunc(display);
    glutMainLoop();
    return 0;
}
