// One-time graphics state and the projection that follows the window's size.
#pragma once

#include <cstdint>

// The window's centre in window pixels, origin top left, as the toolkit
// reports pointer positions: the pointer's home point.
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

constexpr double FIELD_OF_VIEW_DEGREES = 50.0;  // vertical
constexpr double NEAR_PLANE = 0.1;              // world units
constexpr double FAR_PLANE = 10000.0;           // world units

// Light, shading, depth and smoothing state, the hidden centred pointer and a
// cleared wave field. Needs the window's GL context; runs once.
void initScene();

// The toolkit's reshape callback: viewport, projection, pointer home point
// and the overlay's window size.
void onReshape(int width, int height);
