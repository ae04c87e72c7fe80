// The monitors through RandR 1.5, on a short-lived connection of our own: the
// toolkit exposes none, and none exists yet when the window is placed.
#include "platform/monitors.h"

#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>

MonitorLayout queryMonitors(const char* displayName)
{
    MonitorLayout layout;
    Display* display = XOpenDisplay(displayName);
    if (display == nullptr) {
        return layout;
    }
    int eventBase = 0;
    int errorBase = 0;
    int major = 0;
    int minor = 0;
    // Monitors arrived with RandR 1.5; an older server leaves the layout empty.
    if (XRRQueryExtension(display, &eventBase, &errorBase) != 0 && XRRQueryVersion(display, &major, &minor) != 0 &&
        (major > 1 || (major == 1 && minor >= 5))) {
        int count = 0;
        XRRMonitorInfo* monitors = XRRGetMonitors(display, DefaultRootWindow(display), True, &count);
        if (monitors != nullptr) {
            bool primaryFound = false;
            for (int i = 0; i < count && layout.count < MAX_MONITORS; ++i) {
                const XRRMonitorInfo& m = monitors[i];
                if (m.primary != 0 && !primaryFound) {
                    layout.primary = layout.count;
                    primaryFound = true;
                }
                layout.monitors[layout.count++] = ScreenRect{m.x, m.y, m.width, m.height};
            }
            XRRFreeMonitors(monitors);
        }
    }
    XCloseDisplay(display);
    return layout;
}
