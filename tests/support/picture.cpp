// Reading a window's pixels, finding windows by title, watching pointer
// motion and moving the mouse (XTest) through Xlib.
#include "tests/support/picture.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <thread>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XInput2.h>
#include <X11/extensions/XTest.h>

void* openDisplay(const std::string& display)
{
    Display* d = XOpenDisplay(display.c_str());
    if (d == nullptr) {
        throw std::runtime_error("cannot connect to " + display);
    }
    return d;
}

Point pointerIn(void* display, unsigned long window)
{
    Window root = 0;
    Window child = 0;
    Point onRoot{-1, -1};
    Point p{-1, -1};
    unsigned int buttons = 0;
    XQueryPointer(static_cast<Display*>(display), window, &root, &child, &onRoot.x, &onRoot.y, &p.x, &p.y, &buttons);
    return p;
}

void warpPointer(void* display, unsigned long window, Point p)
{
    XWarpPointer(static_cast<Display*>(display), None, window, 0, 0, 0, 0, p.x, p.y);
    XSync(static_cast<Display*>(display), False);
}

void moveMouse(const std::string& display, const std::vector<MouseStep>& steps, std::chrono::microseconds interval)
{
    Display* d = static_cast<Display*>(openDisplay(display));
    // Paced from the start, so that a late step does not delay the rest.
    const auto start = std::chrono::steady_clock::now();
    for (std::size_t i = 0; i < steps.size(); ++i) {
        std::this_thread::sleep_until(start + interval * static_cast<long>(i));
        const MouseStep& step = steps[i];
        if (step.absolute) {
            XTestFakeMotionEvent(d, -1, step.x, step.y, CurrentTime);
        } else {
            XTestFakeRelativeMotionEvent(d, step.x, step.y, CurrentTime);
        }
        XFlush(d);
    }
    XSync(d, False);
    XCloseDisplay(d);
}

int Picture::differences(const Picture& other, Box box) const
{
    box.right = std::min(box.right, other.width);
    box.bottom = std::min(box.bottom, other.height);
    int n = 0;
    forEach(box, [&](int x, int y, Rgb p) {
        const Rgb q = other.at(x, y);
        n += std::max({std::abs(p.r - q.r), std::abs(p.g - q.g), std::abs(p.b - q.b)}) > 8 ? 1 : 0;
    });
    return n;
}

std::ostream& operator<<(std::ostream& out, const Picture& picture)
{
    return out << "a " << picture.width << " x " << picture.height << " picture, "
               << picture.count(picture.whole(), isLit) << " lit pixels";
}

Picture readPicture(void* display, unsigned long window)
{
    Display* d = static_cast<Display*>(display);
    Picture picture;
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

MotionWatcher::MotionWatcher(const std::string& display, unsigned long window)
{
    Display* d = static_cast<Display*>(openDisplay(display));
    display_ = d;
    // The toolkit takes the pointer through XInput 2, and the server then
    // delivers the core motion events on its window to no other client.
    int event = 0;
    int error = 0;
    int major = 2;
    int minor = 0;
    if (XQueryExtension(d, "XInputExtension", &inputOpcode_, &event, &error) == 0 ||
        XIQueryVersion(d, &major, &minor) != Success) {
        XCloseDisplay(d);
        throw std::runtime_error("the server has no XInput 2");
    }
    unsigned char bits[XIMaskLen(XI_LASTEVENT)] = {};
    XISetMask(bits, XI_Motion);
    XIEventMask mask{XIAllMasterDevices, static_cast<int>(sizeof bits), bits};
    XISelectEvents(d, window, &mask, 1);
    XSync(d, False);
}

MotionWatcher::~MotionWatcher()
{
    XCloseDisplay(static_cast<Display*>(display_));
}

std::vector<Point> MotionWatcher::take()
{
    Display* d = static_cast<Display*>(display_);
    XSync(d, False);
    std::vector<Point> motion;
    while (XPending(d) > 0) {
        XEvent event;
        XNextEvent(d, &event);
        XGenericEventCookie* cookie = &event.xcookie;
        if (cookie->type == GenericEvent && cookie->extension == inputOpcode_ && XGetEventData(d, cookie) != 0) {
            if (cookie->evtype == XI_Motion) {
                const auto* e = static_cast<const XIDeviceEvent*>(cookie->data);
                motion.push_back(Point{static_cast<int>(e->event_x), static_cast<int>(e->event_y)});
                if (std::find(sources_.begin(), sources_.end(), e->sourceid) == sources_.end()) {
                    sources_.push_back(e->sourceid);
                }
            }
            XFreeEventData(d, cookie);
        }
    }
    return motion;
}
