// A real GL context for tests: a private Xvfb server, freeglut opened on it,
// the program's 500 x 500 window with the scene set up, and ways to read back
// what the window shows and where the pointer is.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

struct Rgb {
    int r = 0;
    int g = 0;
    int b = 0;
};

// Pixels of the window, 8 bits per channel, origin at the lower left as in GL
// window coordinates.
class Picture {
public:
    Picture(int width, int height) : width_(width), height_(height), rgb_(static_cast<size_t>(width * height)) {}

    int width() const { return width_; }
    int height() const { return height_; }
    Rgb& at(int x, int y) { return rgb_[static_cast<size_t>(y * width_ + x)]; }
    const Rgb& at(int x, int y) const { return rgb_[static_cast<size_t>(y * width_ + x)]; }

    // Pixels in [x0, x1) x [y0, y1), clipped to the picture, for which `test` holds.
    template <typename Test>
    int count(int x0, int y0, int x1, int y1, Test test) const
    {
        int n = 0;
        for (int y = std::max(y0, 0); y < std::min(y1, height_); ++y) {
            for (int x = std::max(x0, 0); x < std::min(x1, width_); ++x) {
                n += test(at(x, y)) ? 1 : 0;
            }
        }
        return n;
    }

private:
    int width_;
    int height_;
    std::vector<Rgb> rgb_;
};

constexpr int TEST_WINDOW_SIZE = 500;  // pixels, as the program opens it

// Starts the server, initialises freeglut on it exactly as the program does,
// opens the window and runs initScene(); closes all of it after the last test.
class GlWindowEnvironment : public ::testing::Environment {
public:
    void SetUp() override;
    void TearDown() override;
};

// What the X server shows in the window now. After glutSwapBuffers this is
// the frame just drawn: Mesa's software path copies each swapped frame into
// the window, while reading GL_FRONT back gives stale content.
Picture readWindow();

// The back buffer, for drawing that the test finishes without a swap.
Picture readBackBuffer();

struct PointerPosition {
    int x;
    int y;
};
// The real pointer in window pixels, origin top left, as freeglut reports it.
PointerPosition pointerInWindow();
void warpPointerInWindow(int x, int y);
void warpPointerOnScreen(int x, int y);

// Pixels of the cursor that the server shows at the pointer now that are not
// fully transparent, or -1 when the server cannot tell (no XFixes).
int visibleCursorPixels();
