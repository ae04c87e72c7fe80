// One-time graphics state and the projection that follows the window's size.
#pragma once

constexpr double FIELD_OF_VIEW_DEGREES = 50.0;  // vertical
constexpr double NEAR_PLANE = 0.1;              // world units
constexpr double FAR_PLANE = 10000.0;           // world units

// Light, shading, depth and smoothing state, the hidden centred pointer and a
// cleared wave field. Needs the window's GL context; runs once.
void initScene();

// The toolkit's reshape callback: viewport, projection, pointer home point
// and the overlay's window size.
void onReshape(int width, int height);
