// The pointer motion that an X server reports on one window, as the program
// receives it (through XInput 2), watched from a connection of its own.
#pragma once

#include "tests/support/window_pixels.h"

#include <chrono>
#include <string>
#include <vector>

class MotionWatcher {
public:
    // Starts recording motion on `window` of `display` (":N"). Throws
    // std::runtime_error when the server cannot be reached or has no XInput 2.
    MotionWatcher(const std::string& display, unsigned long window);
    ~MotionWatcher();
    MotionWatcher(const MotionWatcher&) = delete;
    MotionWatcher& operator=(const MotionWatcher&) = delete;

    // Waits `settle`, then returns the motion recorded since the last call, in
    // window pixels. Each warp of the pointer is reported too, as one event.
    std::vector<Point> take(std::chrono::milliseconds settle);

private:
    void* display_ = nullptr;  // Display*, opaque so that Xlib's macros stay out of the tests
    int inputOpcode_ = 0;
};
