// Text drawn over the 3-D picture in window pixels with the toolkit's bitmap
// fonts, written to through ordinary stream insertion.
#pragma once

#include <cstdint>
#include <sstream>

constexpr int FONT_COUNT = 7;

// Write text with <<, then render() draws whatever was written since the last
// render and rewinds, so the next frame's text overwrites it from the start.
class TextOverlay : public std::ostringstream {
public:
    TextOverlay();

    void* fontHandle[FONT_COUNT];     // toolkit bitmap font for each font number
    int32_t fontHeight[FONT_COUNT];   // line height of each font, pixels
    int32_t width = 100;              // window width, pixels
    int32_t height = 100;             // window height, pixels
    int32_t fontIndex = 0;            // current font number, 0 to 6
    int32_t x = 0;                    // raster position, pixels from the left edge
    int32_t y = 0;                    // raster position, pixels from the bottom edge
    float colour[4] = {1.0f, 1.0f, 1.0f, 1.0f};  // RGBA
    float lineSpacing = 1.0f;         // factor on the line height at a newline

    void resize(int newWidth, int newHeight);

    // Switch to a pixel-aligned orthographic projection with lighting off.
    void begin2D();
    void setColor(float r, float g, float b, float a);
    void setPosition(int newX, int newY);
    void render();
    // Restore both matrices and switch lighting back on.
    void end2D();
};

extern TextOverlay textOverlay;

// Test hook: rewound (nothing written since), the raster position at (0, 0), the first font
// and white; the window size stays as the reshape routine set it.
void resetTextOverlayForTesting();
