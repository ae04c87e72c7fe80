// A real GL context for tests: the program's window and scene, opened with
// freeglut on a private Xvfb server by this library's main; read-backs of its
// pixels, GL state and the real pointer; a fixture that resets the program.
#pragma once

#include "tests/support/driven_clock.h"

#include <gtest/gtest.h>

#include <GL/gl.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <vector>

constexpr int TEST_WINDOW_SIZE = 500;  // pixels, as the program opens it

struct Rgb {
    int r = 0, g = 0, b = 0;
    int level() const { return (r + g + b) / 3; }
};

// The window's pixels, 8 bits a channel, origin at the lower left as in GL.
struct Picture {
    std::vector<Rgb> rgb = std::vector<Rgb>(TEST_WINDOW_SIZE * TEST_WINDOW_SIZE);

    const Rgb& at(int x, int y) const { return rgb[static_cast<std::size_t>(y * TEST_WINDOW_SIZE + x)]; }

    // Pixels for which `test` holds in [x0, x1) x [y0, y1), clipped to the window.
    template <typename Test>
    int count(Test test, int x0 = 0, int y0 = 0, int x1 = TEST_WINDOW_SIZE, int y1 = TEST_WINDOW_SIZE) const
    {
        int n = 0;
        for (int y = std::max(y0, 0); y < std::min(y1, TEST_WINDOW_SIZE); ++y) {
            for (int x = std::max(x0, 0); x < std::min(x1, TEST_WINDOW_SIZE); ++x) {
                n += test(at(x, y)) ? 1 : 0;
            }
        }
        return n;
    }
};

// What the X server shows in the window: after a swap, the frame just drawn
// (reading GL_FRONT back gives stale content on Mesa's software path).
Picture readWindow();

using Matrix = std::array<GLdouble, 16>;  // column-major
Matrix matrix(GLenum name);
int integerState(GLenum name);

struct Point {
    int x;
    int y;
};
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

// Where a world point lands in GL window pixels, seen from the camera's start.
Point projectFromStart(double x, double y, double z);
