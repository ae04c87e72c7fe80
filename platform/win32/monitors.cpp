// The monitors through the Windows display API: each monitor's work area (the
// desktop without the task bar and docked tool bars), where a window may sit.
#include "platform/monitors.h"

#include <windows.h>

namespace {

// EnumDisplayMonitors' callback: one call per monitor, in the system's order.
BOOL CALLBACK addMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM data)
{
    MonitorLayout& layout = *reinterpret_cast<MonitorLayout*>(data);
    if (layout.count >= MAX_MONITORS) {
        return FALSE;  // enough: the rest are ignored
    }
    MONITORINFO info{};
    info.cbSize = sizeof(info);
    if (GetMonitorInfoW(monitor, &info) == 0) {
        return TRUE;  // gone since the enumeration began; skip it
    }
    const RECT& work = info.rcWork;
    if ((info.dwFlags & MONITORINFOF_PRIMARY) != 0) {
        layout.primary = layout.count;
    }
    layout.monitors[layout.count++] = ScreenRect{work.left, work.top, work.right - work.left, work.bottom - work.top};
    return TRUE;
}

}  // namespace

// Windows has one desktop per session, so `displayName` (an X notion) is
// ignored. The rectangles are in virtual-screen coordinates, whose origin is
// the primary monitor's top left: the coordinates in which windows are placed,
// so a monitor left of or above the primary has negative ones.
MonitorLayout queryMonitors(const char*)
{
    MonitorLayout layout;
    if (EnumDisplayMonitors(nullptr, nullptr, addMonitor, reinterpret_cast<LPARAM>(&layout)) == 0 &&
        layout.count == 0) {
        return MonitorLayout{};
    }
    return layout;
}
