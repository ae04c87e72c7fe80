// Opens the program's window and scene with freeglut on a private Xvfb
// server, as the program does at start but without entering its event loop,
// and reads the window back.
#pragma once

#include "app/shell.h"
#include "tests/support/picture.h"
#include "tests/support/process.h"

#include <memory>

static_assert(WINDOW_WIDTH == WINDOW_HEIGHT);
constexpr int TEST_WINDOW_SIZE = WINDOW_WIDTH;  // pixels, as the program opens it
constexpr Box TEST_WINDOW{0, 0, TEST_WINDOW_SIZE, TEST_WINDOW_SIZE};

// Starts a 1280 x 1024 server, points DISPLAY at it and opens the window at
// (0, 0), its GL context current from then on. Call glutExit() before the
// returned server goes.
std::unique_ptr<XvfbServer> openProgramWindow();

// What the X server shows in the window: after a swap, the frame just drawn
// (reading GL_FRONT back gives stale content on Mesa's software path). Throws
// std::runtime_error unless it reads at TEST_WINDOW_SIZE square.
Picture readWindow();

// GL's window coordinates (origin at the lower left, y up) as a picture's
// (origin at the upper left, y down): a pixel, and [x0, x1) x [y0, y1).
constexpr Point fromGl(int x, int y) { return Point{x, TEST_WINDOW_SIZE - 1 - y}; }
constexpr Box fromGl(int x0, int y0, int x1, int y1)
{
    return Box{x0, TEST_WINDOW_SIZE - y1, x1, TEST_WINDOW_SIZE - y0};
}
