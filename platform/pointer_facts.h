// What the display can tell about a pointer report beyond its position, which
// the toolkit does not pass on: what made the report (a device's movement,
// and of which kind, or a warp), and where that device had put the pointer
// before. One implementation per system; where nothing can be told, every
// report's facts are Unknown.
#pragma once

#include <cstdint>

// What moved the pointer to the reported position.
enum class PointerMade {
    Unknown,    // the display tells nothing (no XInput 2, or the report not found among its movements)
    Display,    // no device movement: a warp (ours or another program's), or the display placing
                // the pointer itself (XWayland does so where the pointer comes in)
    Deltas,     // a device that moves the pointer by deltas: a warp moves the user's pointer too
    Positions,  // a device that reports where the user's own pointer is (a remote viewer, a nested
                // server's host, a screen-sharing server, a tablet, a virtual machine's pointer):
                // a warp moves the display's pointer, not the user's
};

struct PointerFacts {
    PointerMade made = PointerMade::Unknown;
    // Positions: where the same device's last report put the pointer, in
    // window pixels. The user's pointer moved from there, also by any
    // movement of it that the display made no report of.
    bool deviceFromKnown = false;
    int deviceFromX = 0;
    int deviceFromY = 0;
    // When the display made the movement behind the report, in its own
    // milliseconds. Two movements at the same time are one input event of the
    // display, reported twice.
    bool timeKnown = false;
    uint32_t time = 0;
    // The display will carry out no warp now (a browser page before the
    // pointer is captured): none is to be asked for.
    bool warpsDropped = false;
};

// Starts watching the display named as the toolkit's -display option names it
// (nullptr: the default), on a connection of our own. Without one, or without
// XInput 2, every report's facts are Unknown.
void watchPointer(const char* displayName);

// The facts for the report at (x, y), window pixels, that the toolkit has just
// delivered: one round trip to the display, after which every movement the
// display made before that report has arrived. Its events are not ordered
// with the toolkit's, so the report is found among them by its position; the
// movements before it, and those the display made since, are kept apart.
PointerFacts pointerFacts(int x, int y);

// Takes in what has arrived without waiting for the display, so that nothing
// piles up while no report comes (the pointer outside the window). Called at
// every idle tick; reads the connection only at one call in DRAIN_INTERVAL.
void drainPointerEvents();
