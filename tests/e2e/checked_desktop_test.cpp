// Another build of the program on a desktop with a window manager (openbox):
// the Windows build under Wine, named by MAREL_PROGRAM and run under the
// prefix in MAREL_CHECKED_RUN. What a user sees first: the window where the
// monitor shows it, the picture, the pointer held at the centre, Escape, and
// silence on the standard output.
#include "tests/support/program.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>

using namespace std::chrono_literals;

namespace {

// The pointer's position once it equals `target`, or the last one seen when
// `timeout` passes first.
Point pointerOnceAt(MarelProgram& program, Point target, std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    Point seen = program.pointer();
    while (!(seen == target) && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(20ms);
        seen = program.pointer();
    }
    return seen;
}

}  // namespace

TEST(CheckedRunOnADesktop, OpensItsWindowDrawsHoldsThePointerAndEndsOnEscape)
{
    const char* runUnder = std::getenv("MAREL_CHECKED_RUN");
    if (runUnder == nullptr) {
        GTEST_SKIP() << "MAREL_CHECKED_RUN is not set";
    }
    const auto desktop = std::make_shared<XvfbServer>(1280, 1024, true);
    MarelProgram program(desktop, runUnder);
    // Wine's first start in a fresh prefix takes its time.
    ASSERT_EQ(program.waitForWindow(120s), 1) << program.standardError();
    const Box placed = program.placement();
    EXPECT_EQ(placed.right - placed.left, 500) << program.geometry();
    EXPECT_EQ(placed.bottom - placed.top, 500) << program.geometry();
    // About centred on the one monitor, whose work area is the whole screen
    // here: the manager's title bar shifts it a little.
    EXPECT_NEAR((placed.left + placed.right) / 2, 640, 40) << program.geometry();
    EXPECT_NEAR((placed.top + placed.bottom) / 2, 512, 40) << program.geometry();

    // The lit surface in the middle, as in the Linux build's own picture.
    const Box middle{100, 100, 400, 400};
    int surface = 0;
    for (int tries = 0; tries < 100 && surface <= 5000; ++tries) {
        std::this_thread::sleep_for(200ms);
        surface = program.screenshot().count(middle, isSurface);
    }
    EXPECT_GT(surface, 5000) << "no lit surface within 20 s";

    // A move into the window is answered by a warp back to its centre.
    const Point centre{placed.left + 250, placed.top + 250};
    ASSERT_EQ(program.xdotool({"mousemove", std::to_string(placed.left + 60), std::to_string(placed.top + 70)}), 0);
    EXPECT_EQ(pointerOnceAt(program, centre, 5s), centre);
    ASSERT_EQ(program.xdotool({"mousemove_relative", "--", "-90", "40"}), 0);
    EXPECT_EQ(pointerOnceAt(program, centre, 5s), centre);
    ASSERT_TRUE(program.running()) << program.standardError();

    program.pressEscape();
    EXPECT_EQ(program.waitForExit(30s), 1) << program.standardError();
    EXPECT_EQ(program.standardOutput(), "");
}
