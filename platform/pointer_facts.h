// What the display can tell about the pointer beyond its position, which the
// toolkit does not pass on: whether the device that moved it is one whose
// pointer our warps move, and where it put the pointer. One implementation per
// system; where nothing can be told, every report's facts are Unknown.
#pragma once

// The kind of device that moved the pointer last.
enum class PointerSource {
    Unknown,   // the display tells nothing (no XInput 2, or no raw movement seen yet)
    Follows,   // a device that moves the pointer by deltas: a warp moves the user's pointer too
    Absolute,  // a device that reports where the user's own pointer is (a remote viewer, a
               // nested server's host, a tablet, a virtual machine's pointer): a warp moves the
               // display's pointer, not the user's
};

struct PointerFacts {
    PointerSource source = PointerSource::Unknown;
    // Absolute: where the device last put the pointer, in window pixels, when the
    // display says so in screen pixels (not a tablet's own units). A report there
    // is the device's, never a warp's.
    bool deviceAtKnown = false;
    int deviceAtX = 0;
    int deviceAtY = 0;
    // Follows: the device's movement since the previous report, in pixels, as the
    // display applied it. A report at a warp's target that is exactly this far
    // from the last one is a movement, not the warp arriving.
    bool moved = false;
    int movedX = 0;
    int movedY = 0;
};

// Where the window's client area lies on the desktop, in screen pixels; asked
// only when a report has to be put into window pixels.
struct WindowOrigin {
    int x = 0;
    int y = 0;
};
using WindowOriginQuery = WindowOrigin (*)();

// Starts watching the display named as the toolkit's -display option names it
// (nullptr: the default), on a connection of our own. Without one, or without
// XInput 2, every report's facts are Unknown.
void watchPointer(const char* displayName);

// The facts for the report the toolkit has just delivered: one round trip to
// the display, after which every raw movement the display made before that
// report has arrived (its events are not ordered with the toolkit's, so the
// report is matched to them by position, not by order).
PointerFacts pointerFacts(WindowOriginQuery origin);

// Takes in what has arrived without waiting for the display, so that nothing
// piles up while no report comes (the pointer outside the window). Called at
// every idle tick; reads the connection only at one call in DRAIN_INTERVAL.
void drainPointerEvents();
