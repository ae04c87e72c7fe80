// Window creation, callback wiring and the keyboard handler.
#include "app/shell.h"

#include "camera/input.h"
#include "render/frame.h"
#include "render/scene.h"

#include "platform/gl_headers.h"

#include <cstdlib>

WindowPosition centredWindowPosition(int windowWidth, int windowHeight, int screenWidth, int screenHeight)
{
    return WindowPosition{(screenWidth - windowWidth) >> 1, (screenHeight - windowHeight) >> 1};
}

void onKeyboard(unsigned char key, int, int)
{
    if (key == ESCAPE_KEY) {
        std::exit(ESCAPE_EXIT_STATUS);
    }
}

int runMarel(int& argc, char** argv)
{
    // Every argument goes to the toolkit; the program has no options of its own.
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
    glutInitWindowSize(WINDOW_WIDTH, WINDOW_HEIGHT);

    const int initialHeight = glutGet(GLUT_INIT_WINDOW_HEIGHT);
    const int screenHeight = glutGet(GLUT_SCREEN_HEIGHT);
    const int initialWidth = glutGet(GLUT_INIT_WINDOW_WIDTH);
    const int screenWidth = glutGet(GLUT_SCREEN_WIDTH);
    const WindowPosition position = centredWindowPosition(initialWidth, initialHeight, screenWidth, screenHeight);
    glutInitWindowPosition(position.x, position.y);

    glutCreateWindow("Marel");
    initScene();

    glutDisplayFunc(onDisplay);
    glutIdleFunc(onIdle);
    glutReshapeFunc(onReshape);
    glutKeyboardFunc(onKeyboard);
    glutMouseFunc(onMouse);
    glutMotionFunc(onMotion);
    glutPassiveMotionFunc(onMotion);

    glutMainLoop();
    return 0;
}
