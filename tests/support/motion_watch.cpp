// Watching pointer motion through XInput 2.
#include "tests/support/motion_watch.h"

#include <stdexcept>

#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>

MotionWatcher::MotionWatcher(const std::string& display, unsigned long window)
{
    Display* d = XOpenDisplay(display.c_str());
    if (d == nullptr) {
        throw std::runtime_error("cannot connect to " + display);
    }
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
            }
            XFreeEventData(d, cookie);
        }
    }
    return motion;
}
