// A real GL context for tests: the program's window and scene, opened with
// freeglut on a private Xvfb server by this library's main; read-backs of its
// pixels, GL state and the real pointer; a fixture that resets the program.
#pragma once

#include "tests/support/driven_clock.h"
#include "tests/support/open_window.h"
#include "tests/support/window_pixels.h"

#include <gtest/gtest.h>

#include <GL/gl.h>

#include <array>

// The window's pixels with GL's origin at the lower left.
struct Picture {
    WindowPixels rows;  // as X reads them, from the top

    const Rgb& at(int x, int y) const { return rows.at(x, rows.height - 1 - y); }
    // Pixels for which `test` holds in [x0, x1) x [y0, y1), clipped to the window.
    template <typename Test>
    int count(Test test, int x0 = 0, int y0 = 0, int x1 = TEST_WINDOW_SIZE, int y1 = TEST_WINDOW_SIZE) const
    {
        return rows.count(Box{x0, rows.height - y1, x1, rows.height - y0}, test);
    }
};

// What the X server shows in the window: after a swap, the frame just drawn
// (reading GL_FRONT back gives stale content on Mesa's software path).
Picture readWindow();

using Matrix = std::array<GLdouble, 16>;  // column-major
Matrix matrix(GLenum name);
int integerState(GLenum name);

// The real pointer in window pixels, origin top left, as freeglut reports it.
Point pointerInWindow();
void warpPointerInWindow(int x, int y);

// The program's globals and the GL state tests touch as at start, so that no
// test depends on another's order.
void resetProgramState();

class ProgramTest : public ::testing::Test {
protected:
    void SetUp() override { resetProgramState(); }
    void TearDown() override { resetProgramState(); }

    DrivenClock clock{0};  // stands still unless moved: the source row stays at sin(0) = 0
};

// Calls onDisplay() until it has drawn `frames` frames.
void drawFrames(int frames);

// The modelview matrix of the camera's start, and where a world point lands
// in GL window pixels seen from there.
Matrix startView();
Point projectFromStart(double x, double y, double z);
