// The program's window opened for tests and benchmarks.
#include "tests/support/open_window.h"

#include "camera/input.h"
#include "render/scene.h"

#include "platform/gl_headers.h"

#include <cstdlib>

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
