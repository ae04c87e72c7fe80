// Counts the frames actually drawn and publishes the count once per second.
#pragma once

#include <cstdint>

constexpr int32_t FRAME_RATE_WINDOW_MS = 1000;  // the figure is published after more than this
constexpr int FRAME_RATE_X = 10;  // pixels from the window's left edge
constexpr int FRAME_RATE_Y = 10;  // pixels from the window's bottom edge

struct FrameRateCounter {
    int32_t framesThisSecond = 0;  // frames drawn in the current window
    int32_t framesPerSecond = 0;   // the figure on screen
    int32_t secondStart = 0;       // processMillis() at the start of the current window
    bool started = false;          // secondStart has been taken (on the first drawn frame)

    // Count one drawn frame and, once more than a second has passed since the
    // window started, publish the count and start a new window.
    void countFrame();

    // Write the figure in white at the lower left through the text overlay.
    void draw() const;
};

extern FrameRateCounter frameRateCounter;

// Test hook: no frame counted, no figure published.
void resetFrameRateCounterForTesting();
