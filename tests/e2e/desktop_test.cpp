// The program on a desktop with a window manager (openbox), as most users run
// it: where the window comes up, the pointer held where the screen shows the
// window when its centre is dragged off the screen, and closing through the
// manager.
#include "tests/support/program.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <string>
#include <vector>

using namespace std::chrono_literals;

namespace {

constexpr int SCREEN_WIDTH = 1280;   // pixels
constexpr int SCREEN_HEIGHT = 1024;  // pixels

bool sameView(const Eye& a, const Eye& b)
{
    return std::abs(a.azimuth() - b.azimuth()) < 1e-6 && std::abs(a.elevation() - b.elevation()) < 1e-6;
}

}  // namespace

TEST(Desktop, HoldsThePointerWhereTheWindowShowsAndClosesThroughTheManager)
{
    const auto desktop = std::make_shared<XvfbServer>(SCREEN_WIDTH, SCREEN_HEIGHT, true);
    MarelProgram program(desktop, "", Probes{.eye = true});
    ASSERT_EQ(program.waitForWindow(), 1) << program.standardError();
    Eye start;
    ASSERT_TRUE(program.waitForEye(start));

    // About centred: the manager's frame shifts the client a little from (390, 262).
    const Box placed = program.placement();
    EXPECT_EQ(placed.right - placed.left, 500);
    EXPECT_EQ(placed.bottom - placed.top, 500);
    EXPECT_NEAR(placed.left, 390, 30);
    EXPECT_NEAR(placed.top, 262, 30);

    // Dragged so that its centre lies below the screen's bottom edge, where
    // the pointer cannot go; the pointer then moves once into what still
    // shows: coming in turns nothing, and the pointer is held at the middle of
    // the part the screen shows.
    const std::string window = std::to_string(program.window());
    ASSERT_EQ(program.xdotool({"windowmove", "--sync", window, "1000", "800"}), 0);
    const Box off = program.placement();
    ASSERT_GE(off.top + 250, SCREEN_HEIGHT) << "the window's centre is still on the screen";
    program.watchMotion();
    ASSERT_EQ(program.xdotool({"mousemove", std::to_string(off.left + 100), std::to_string(off.top + 80)}), 0);
    const Point held{off.left + ((SCREEN_WIDTH - off.left) >> 1), off.top + ((SCREEN_HEIGHT - off.top) >> 1)};
    EXPECT_TRUE(program.waitForPointer(held));
    Eye entered;
    ASSERT_TRUE(program.waitForEye(entered));
    EXPECT_TRUE(sameView(entered, start)) << entered << " after " << start;

    // Left alone for two seconds, nothing reports a motion, nothing turns the
    // view and nothing moves the pointer.
    program.takeMotion();
    EXPECT_TRUE(holdsThroughout(
        "the pointer and the view at rest",
        [&] { return program.takeMotion().empty() && program.pointer() == held && sameView(program.eye().value_or(Eye{}), start); },
        2s));

    // Dragged back, the view is the one it started with and the pointer is
    // held at the window's centre again.
    ASSERT_EQ(program.xdotool({"windowmove", "--sync", window, "390", "262"}), 0);
    const Box back = program.placement();
    ASSERT_LT(back.bottom, SCREEN_HEIGHT);
    ASSERT_EQ(program.xdotool({"mousemove", std::to_string(back.left + 100), std::to_string(back.top + 100)}), 0);
    EXPECT_TRUE(program.waitForPointer(Point{back.left + 250, back.top + 250}));
    Eye returned;
    ASSERT_TRUE(program.waitForEye(returned));
    EXPECT_TRUE(sameView(returned, start)) << returned << " after " << start;

    program.pressEscape();
    EXPECT_TRUE(program.waitForEnd(1));
    EXPECT_EQ(program.standardOutput(), "");
    EXPECT_EQ(program.standardError(), "");

    // A second start on the same desktop, closed as the title bar's close
    // button does: the toolkit ends it at once, with status 0 and in silence.
    MarelProgram second(desktop);
    ASSERT_EQ(second.waitForWindow(), 1) << second.standardError();
    ASSERT_TRUE(second.waitForFrames(1));
    EXPECT_EQ(second.closeThroughWindowManager(), 0);
    EXPECT_TRUE(second.waitForEnd(0));
    EXPECT_EQ(second.standardOutput(), "");
    EXPECT_EQ(second.standardError(), "");
}
