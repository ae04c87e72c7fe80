// Reading a window's pixels and finding windows by title through Xlib.
#include "tests/support/window_pixels.h"

#include <cstring>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

WindowPixels readWindowPixels(void* display, unsigned long window)
{
    Display* d = static_cast<Display*>(display);
    WindowPixels picture;
    XWindowAttributes attributes;
    if (XGetWindowAttributes(d, window, &attributes) == 0 || attributes.map_state != IsViewable) {
        return picture;
    }
    XImage* image = XGetImage(d, window, 0, 0, static_cast<unsigned int>(attributes.width),
                              static_cast<unsigned int>(attributes.height), AllPlanes, ZPixmap);
    if (image == nullptr) {
        return picture;
    }
    picture.width = attributes.width;
    picture.height = attributes.height;
    picture.pixels.resize(static_cast<std::size_t>(picture.width) * static_cast<std::size_t>(picture.height));
    for (int y = 0; y < picture.height; ++y) {
        for (int x = 0; x < picture.width; ++x) {
            // Xvfb's depth-24 visual holds 0xRRGGBB.
            const unsigned long p = XGetPixel(image, x, y);
            picture.pixels[static_cast<std::size_t>(y * picture.width + x)] =
                Rgb{static_cast<int>(p >> 16 & 0xffu), static_cast<int>(p >> 8 & 0xffu), static_cast<int>(p & 0xffu)};
        }
    }
    XDestroyImage(image);
    return picture;
}

namespace {

// A window manager puts each top-level window in a frame of its own, so the
// search goes down through the frames too.
void collectTitled(Display* d, Window parent, const char* title, int depth, std::vector<unsigned long>& found)
{
    Window root = 0;
    Window grandparent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    if (XQueryTree(d, parent, &root, &grandparent, &children, &count) == 0 || children == nullptr) {
        return;
    }
    for (unsigned int i = 0; i < count; ++i) {
        XWindowAttributes attributes;
        if (XGetWindowAttributes(d, children[i], &attributes) == 0 || attributes.map_state != IsViewable) {
            continue;
        }
        char* name = nullptr;
        const bool titled = XFetchName(d, children[i], &name) != 0 && name != nullptr && std::strcmp(name, title) == 0;
        if (name != nullptr) {
            XFree(name);
        }
        if (titled) {
            found.push_back(children[i]);
        } else if (depth > 0) {
            collectTitled(d, children[i], title, depth - 1, found);
        }
    }
    XFree(children);
}

}  // namespace

std::vector<unsigned long> windowsTitled(void* display, const char* title)
{
    std::vector<unsigned long> found;
    Display* d = static_cast<Display*>(display);
    collectTitled(d, DefaultRootWindow(d), title, 2, found);
    return found;
}
