// The window's size and centre as the toolkit last reported them: written by
// the reshape routine, read by the pointer handling and the drawing.
#pragma once

#include <cstdint>

// The window's centre in window pixels, origin top left, as the toolkit
// reports pointer positions: the pointer's home point while a monitor shows it.
struct WindowCentre {
    int16_t x;
    int16_t y;
};
extern WindowCentre windowCentre;

// The window's size in pixels, as the toolkit last reported it.
struct WindowSize {
    int16_t width;
    int16_t height;
};
extern WindowSize windowSize;

// Test hook: both as before the first report, all zero.
void resetWindowGeometryForTesting();
