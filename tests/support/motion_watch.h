// The pointer motion that an X server reports on one window, as the program
// receives it (through XInput 2), watched from a connection of its own.
#pragma once

#include "tests/support/window_pixels.h"

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

    // The motion recorded since the last call, in window pixels, as far as the
    // server has delivered it: a round trip first, so everything the server did
    // before the call is in. Each warp of the pointer is reported too, as one event.
    std::vector<Point> take();

private:
    void* display_ = nullptr;  // Display*, opaque so that Xlib's macros stay out of the tests
    int inputOpcode_ = 0;
};
