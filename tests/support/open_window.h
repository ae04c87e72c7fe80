// Opens the program's window and scene with freeglut on a private Xvfb
// server, as the program does at start but without entering its event loop.
#pragma once

#include "app/shell.h"
#include "tests/support/xvfb.h"

#include <memory>

static_assert(WINDOW_WIDTH == WINDOW_HEIGHT);
constexpr int TEST_WINDOW_SIZE = WINDOW_WIDTH;  // pixels, as the program opens it

// Starts a 1280 x 1024 server, points DISPLAY at it and opens the window at
// (0, 0), its GL context current from then on. Call glutExit() before the
// returned server goes.
std::unique_ptr<XvfbServer> openProgramWindow();
