// In the browser the page's viewport is the whole screen the program can
// know of: no monitors are listed, and the pointer rule takes the screen.
#include "platform/monitors.h"

MonitorLayout queryMonitors(const char*)
{
    return MonitorLayout{};
}
