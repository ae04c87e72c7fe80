// The program's window opened for tests and benchmarks, and read back.
#include "tests/support/open_window.h"

#include "camera/input.h"
#include "render/scene.h"

#include "platform/gl_headers.h"

#include <GL/glx.h>
#include <X11/Xlib.h>

#include <cstdlib>
#include <stdexcept>

std::unique_ptr<XvfbServer> openProgramWindow()
{
    auto server = std::make_unique<XvfbServer>(1280, 1024);
    setenv("DISPLAY", server->display().c_str(), 1);
    static char programName[] = "marel";
    static char* arguments[] = {programName, nullptr};
    int argumentCount = 1;
    glutInit(&argumentCount, arguments);
    refreshMonitors();  // as the program does at start, for the pointer's home
    glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
    glutInitWindowSize(TEST_WINDOW_SIZE, TEST_WINDOW_SIZE);
    // Wholly on the screen, or XGetImage refuses it: unplaced, the toolkit puts it at (-1, -1).
    glutInitWindowPosition(0, 0);
    glutCreateWindow("Marel");
    initScene();
    // The toolkit's first reshape would come through its event loop, which is not run here.
    onReshape(TEST_WINDOW_SIZE, TEST_WINDOW_SIZE);
    return server;
}

Picture readWindow()
{
    // On the connection that freeglut and Mesa use requests are handled in
    // order, so after XSync the read sees every earlier swap.
    Display* display = glXGetCurrentDisplay();
    XSync(display, False);
    Picture picture = readPicture(display, glXGetCurrentDrawable());
    if (picture.width != TEST_WINDOW_SIZE || picture.height != TEST_WINDOW_SIZE) {
        throw std::runtime_error("the test window could not be read at 500 x 500");
    }
    return picture;
}
