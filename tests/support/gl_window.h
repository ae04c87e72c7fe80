// A real GL context for tests: the program's window and scene, opened with
// freeglut on a private Xvfb server by this library's main; read-backs of its
// pixels, GL state and the real pointer; a fixture that resets the program.
#pragma once

#include "tests/support/driven_clock.h"
#include "tests/support/open_window.h"

#include <gtest/gtest.h>

#include <GL/gl.h>

#include <array>

using Matrix = std::array<GLdouble, 16>;  // column-major
inline Matrix matrix(GLenum name)
{
    Matrix m;
    glGetDoublev(name, m.data());
    return m;
}
inline int integerState(GLenum name)
{
    GLint value = 0;
    glGetIntegerv(name, &value);
    return value;
}

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
