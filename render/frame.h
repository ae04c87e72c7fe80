// The frame routine: one simulation step per call, a drawn frame every thirtieth.
#pragma once

#include <cstdint>

constexpr int RENDER_INTERVAL = 30;  // display calls per drawn frame

// The surface's material, RGBA: a grey that white light shows from 0.3 (no
// direct light) to white (highlights).
constexpr float surfaceSpecular[4] = {1.0f, 1.0f, 1.0f, 1.0f};
constexpr float surfaceDiffuse[4] = {0.7f, 0.7f, 0.7f, 1.0f};
constexpr float surfaceAmbient[4] = {0.3f, 0.3f, 0.3f, 1.0f};

extern int32_t renderCounter;  // display calls since the last drawn frame

// Test hook: no display call counted yet, so the thirtieth call from now draws.
void resetFrameCounterForTesting();

// The toolkit's display callback and the camera's redisplay target.
void onDisplay();

// The wave surface as 49 x 49 lit quads with per-vertex normals.
void drawSurface();

// The x, y and z axes in red, green and blue, 4 world units long.
void drawAxes();
