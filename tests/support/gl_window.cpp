// Opening the program's window on a private Xvfb server and reading it back.
#include "tests/support/gl_window.h"

#include "app/shell.h"
#include "render/scene.h"
#include "tests/support/xvfb.h"

#include <GL/freeglut.h>
#include <GL/glx.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#ifdef MAREL_HAVE_XFIXES
#include <X11/extensions/Xfixes.h>
#endif

#include <cstdlib>
#include <memory>
#include <stdexcept>

namespace {

// The X connection that freeglut and Mesa use, and the window's id. Requests
// on one connection are handled in order, so a read after XSync sees every
// earlier swap and warp.
Display* testDisplay()
{
    return glXGetCurrentDisplay();
}

Window testWindow()
{
    return glXGetCurrentDrawable();
}

std::unique_ptr<XvfbServer> server;

// One colour channel of an X pixel, scaled to 0..255 whatever the visual's masks.
int channel(unsigned long pixel, unsigned long mask)
{
    if (mask == 0) {
        return 0;
    }
    while ((mask & 1) == 0) {
        mask >>= 1;
        pixel >>= 1;
    }
    return static_cast<int>((pixel & mask) * 255 / mask);
}

}  // namespace

void GlWindowEnvironment::SetUp()
{
    server = std::make_unique<XvfbServer>(1280, 1024);
    setenv("DISPLAY", server->display().c_str(), 1);

    static char programName[] = "marel_tests";
    static char* arguments[] = {programName, nullptr};
    int argumentCount = 1;
    glutInit(&argumentCount, arguments);
    glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
    glutInitWindowSize(WINDOW_WIDTH, WINDOW_HEIGHT);
    const WindowPosition position = centredWindowPosition(WINDOW_WIDTH, WINDOW_HEIGHT, glutGet(GLUT_SCREEN_WIDTH),
                                                          glutGet(GLUT_SCREEN_HEIGHT));
    glutInitWindowPosition(position.x, position.y);
    glutCreateWindow("Marel");
    initScene();
    // The toolkit's first reshape arrives through its event loop, which the
    // tests never run.
    onReshape(WINDOW_WIDTH, WINDOW_HEIGHT);
}

void GlWindowEnvironment::TearDown()
{
    // Close the connection before the server goes, or Xlib would treat the
    // lost server as a fatal I/O error at exit.
    glutExit();
    server.reset();
}

Picture readWindow()
{
    Display* display = testDisplay();
    XSync(display, False);
    XWindowAttributes attributes;
    XGetWindowAttributes(display, testWindow(), &attributes);
    XImage* image = XGetImage(display, testWindow(), 0, 0, static_cast<unsigned>(attributes.width),
                              static_cast<unsigned>(attributes.height), AllPlanes, ZPixmap);
    if (image == nullptr) {
        throw std::runtime_error("XGetImage of the test window failed");
    }
    Picture picture(attributes.width, attributes.height);
    for (int y = 0; y < attributes.height; ++y) {
        for (int x = 0; x < attributes.width; ++x) {
            // X rows run downwards, GL rows upwards.
            const unsigned long pixel = XGetPixel(image, x, attributes.height - 1 - y);
            picture.at(x, y) = Rgb{channel(pixel, image->red_mask), channel(pixel, image->green_mask),
                                   channel(pixel, image->blue_mask)};
        }
    }
    XDestroyImage(image);
    return picture;
}

Picture readBackBuffer()
{
    const int width = glutGet(GLUT_WINDOW_WIDTH);
    const int height = glutGet(GLUT_WINDOW_HEIGHT);
    std::vector<unsigned char> bytes(static_cast<size_t>(width * height * 3));
    glFinish();
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, bytes.data());
    Picture picture(width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const unsigned char* p = &bytes[static_cast<size_t>((y * width + x) * 3)];
            picture.at(x, y) = Rgb{p[0], p[1], p[2]};
        }
    }
    return picture;
}

PointerPosition pointerInWindow()
{
    Display* display = testDisplay();
    XSync(display, False);
    Window root;
    Window child;
    int rootX;
    int rootY;
    int windowX;
    int windowY;
    unsigned int buttons;
    XQueryPointer(display, testWindow(), &root, &child, &rootX, &rootY, &windowX, &windowY, &buttons);
    return PointerPosition{windowX, windowY};
}

void warpPointerInWindow(int x, int y)
{
    XWarpPointer(testDisplay(), None, testWindow(), 0, 0, 0, 0, x, y);
    XSync(testDisplay(), False);
}

void warpPointerOnScreen(int x, int y)
{
    Display* display = testDisplay();
    XWarpPointer(display, None, DefaultRootWindow(display), 0, 0, 0, 0, x, y);
    XSync(display, False);
}

int visibleCursorPixels()
{
#ifdef MAREL_HAVE_XFIXES
    Display* display = testDisplay();
    XSync(display, False);
    XFixesCursorImage* cursor = XFixesGetCursorImage(display);
    if (cursor == nullptr) {
        return -1;
    }
    int visible = 0;
    for (int i = 0; i < cursor->width * cursor->height; ++i) {
        // ARGB, alpha in the top byte.
        visible += (cursor->pixels[i] >> 24) != 0 ? 1 : 0;
    }
    XFree(cursor);
    return visible;
#else
    return -1;
#endif
}
