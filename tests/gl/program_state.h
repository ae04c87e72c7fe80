// A fixture that puts the program's globals and the GL state the tests touch
// back to how the program starts, so that no test depends on another's order.
#pragma once

#include "tests/support/driven_clock.h"
#include "tests/support/gl_window.h"

#include <gtest/gtest.h>

void resetProgramState();

class ProgramTest : public ::testing::Test {
protected:
    void SetUp() override { resetProgramState(); }
    void TearDown() override { resetProgramState(); }

    // The program's clock stands still unless a test moves it, so the source
    // row stays at sin(0) = 0 and the field stays flat.
    DrivenClock clock{0};
};

// Calls onDisplay() until it has drawn `frames` frames.
void drawFrames(int frames);

// Where a world point lands in the window, in GL window pixels, seen from the
// camera's start position through the current projection and viewport.
struct WindowPoint {
    int x;
    int y;
};
WindowPoint projectFromStart(double x, double y, double z);
