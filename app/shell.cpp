// Window creation, callback wiring and the keyboard handler.
#include "app/shell.h"

#include "camera/input.h"
#include "render/frame.h"
#include "render/scene.h"

#include "platform/gl_headers.h"
#include "platform/pointer_facts.h"

#include <cstdlib>
#include <cstring>

ScreenRect placementArea(const MonitorLayout& usable, int screenWidth, int screenHeight)
{
    if (usable.count <= 0 || usable.primary < 0 || usable.primary >= usable.count) {
        return ScreenRect{0, 0, screenWidth, screenHeight};
    }
    return usable.monitors[usable.primary];
}

WindowPosition centredWindowPosition(int windowWidth, int windowHeight, const ScreenRect& area)
{
    // Arithmetic halving: odd differences round down, also below zero.
    return WindowPosition{area.x + ((area.width - windowWidth) >> 1), area.y + ((area.height - windowHeight) >> 1)};
}

const char* displayOption(int argc, char** argv)
{
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "-display") == 0) {
            return argv[i + 1];
        }
    }
    return nullptr;
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
    // The display's name is noted first, because the toolkit takes its
    // options out of the command line, and the monitors are asked of the same
    // display on a connection of our own.
    desktopMonitors.displayName = displayOption(argc, argv);
    glutInit(&argc, argv);
    watchPointer(desktopMonitors.displayName);
    glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
    glutInitWindowSize(WINDOW_WIDTH, WINDOW_HEIGHT);

    const int initialHeight = glutGet(GLUT_INIT_WINDOW_HEIGHT);
    const int screenHeight = glutGet(GLUT_SCREEN_HEIGHT);
    const int initialWidth = glutGet(GLUT_INIT_WINDOW_WIDTH);
    const int screenWidth = glutGet(GLUT_SCREEN_WIDTH);
    // Centred on the primary monitor, not on the whole desktop, which on two
    // monitors side by side would split the window across the seam.
    refreshMonitors();
    const WindowPosition position = centredWindowPosition(
        initialWidth, initialHeight, placementArea(desktopMonitors.layout, screenWidth, screenHeight));
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
    // The eighth: where the pointer comes in is no movement.
    glutEntryFunc(onEntry);

    glutMainLoop();
    return 0;
}
