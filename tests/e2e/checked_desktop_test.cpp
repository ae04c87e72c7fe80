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

using namespace std::chrono_literals;

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
    EXPECT_TRUE(program.waitForPicture("the lit surface in the middle",
                                       [&](const Picture& shot) { return shot.count(middle, isSurface) > 5000; }));

    // A move into the window is answered by a warp back to its centre.
    const Point centre{placed.left + 250, placed.top + 250};
    ASSERT_EQ(program.xdotool({"mousemove", std::to_string(placed.left + 60), std::to_string(placed.top + 70)}), 0);
    EXPECT_TRUE(program.waitForPointer(centre));
    ASSERT_EQ(program.xdotool({"mousemove_relative", "--", "-90", "40"}), 0);
    EXPECT_TRUE(program.waitForPointer(centre));
    ASSERT_TRUE(program.running()) << program.standardError();

    program.pressEscape();
    EXPECT_TRUE(program.waitForEnd(1));
    EXPECT_EQ(program.standardOutput(), "");
}
