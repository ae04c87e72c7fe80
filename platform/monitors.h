// The monitors that show the desktop, as rectangles of the desktop: the one
// place where the program asks the windowing system something that the
// toolkit does not tell it. One implementation per system.
#pragma once

// A rectangle of the desktop in screen pixels, origin at the desktop's top left.
struct ScreenRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

constexpr int MAX_MONITORS = 16;  // more are ignored

struct MonitorLayout {
    int count = 0;    // 0 when the system could not tell
    int primary = 0;  // index of the primary monitor, or of the first listed when none is marked
    ScreenRect monitors[MAX_MONITORS];
};

// The current layout. `displayName` names the display as the toolkit's
// -display option does; nullptr means the default (DISPLAY on X). Returns an
// empty layout when the display cannot be reached or cannot list its monitors.
MonitorLayout queryMonitors(const char* displayName);
