// The program on a desktop with a window manager (openbox), as most users run
// it: where the window comes up, the pointer held where the screen shows the
// window when its centre is dragged off the screen, and closing through the
// manager.
#include "tests/support/program.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>
#include <vector>

using namespace std::chrono_literals;
using std::this_thread::sleep_for;

namespace {

constexpr int SCREEN_WIDTH = 1280;   // pixels
constexpr int SCREEN_HEIGHT = 1024;  // pixels
constexpr auto SETTLE = 400ms;

// The z axis, pure blue, stands over the view point: where it shows and how
// long it looks follow the camera alone, whatever the waves do.
Box zAxis(const Screenshot& shot)
{
    return shot.bounds(Box{0, 0, shot.width, shot.height}, isBlue);
}

}  // namespace

TEST(Desktop, HoldsThePointerWhereTheWindowShowsAndClosesThroughTheManager)
{
    const auto desktop = std::make_shared<XvfbServer>(SCREEN_WIDTH, SCREEN_HEIGHT, true);
    MarelProgram program(desktop);
    ASSERT_EQ(program.waitForWindow(), 1) << program.standardError();
    sleep_for(1s);

    // About centred: the manager's frame shifts the client a little from (390, 262).
    const Box placed = program.placement();
    EXPECT_EQ(placed.right - placed.left, 500);
    EXPECT_EQ(placed.bottom - placed.top, 500);
    EXPECT_NEAR(placed.left, 390, 30);
    EXPECT_NEAR(placed.top, 262, 30);
    const Box startView = zAxis(program.screenshot());
    ASSERT_FALSE(startView.empty());

    // Dragged so that its centre lies below the screen's bottom edge, where
    // the pointer cannot go; the pointer then moves once into what still shows.
    const std::string window = std::to_string(program.window());
    ASSERT_EQ(program.xdotool({"windowmove", "--sync", window, "1000", "800"}), 0);
    const Box off = program.placement();
    ASSERT_GE(off.top + 250, SCREEN_HEIGHT) << "the window's centre is still on the screen";
    program.watchMotion();
    ASSERT_EQ(program.xdotool({"mousemove", std::to_string(off.left + 100), std::to_string(off.top + 80)}), 0);
    EXPECT_LE(program.takeMotion(SETTLE).size(), 2u) << "the move, then at most one warp";
    const Point held = program.pointer();
    EXPECT_TRUE(held.x >= off.left && held.x < SCREEN_WIDTH && held.y >= off.top && held.y < SCREEN_HEIGHT)
        << "the pointer is held off the window's visible part, at " << held;

    // Left alone for two seconds, nothing moves it and nothing turns the view.
    EXPECT_EQ(program.takeMotion(2s), std::vector<Point>{});
    EXPECT_EQ(program.pointer(), held);

    // Dragged back, the view is the one it started with, but for the entry's
    // small turn (a few hundredths of a radian), and the pointer is held at
    // the window's centre again.
    ASSERT_EQ(program.xdotool({"windowmove", "--sync", window, "390", "262"}), 0);
    const Box back = program.placement();
    ASSERT_LT(back.bottom, SCREEN_HEIGHT);
    sleep_for(SETTLE);
    const Box endView = zAxis(program.screenshot());
    ASSERT_FALSE(endView.empty()) << "the z axis is out of sight: the view has turned";
    EXPECT_NEAR(endView.left, startView.left, 40);
    EXPECT_NEAR(endView.top, startView.top, 40);
    EXPECT_NEAR(endView.bottom - endView.top, startView.bottom - startView.top, (startView.bottom - startView.top) / 4);
    ASSERT_EQ(program.xdotool({"mousemove", std::to_string(back.left + 100), std::to_string(back.top + 100)}), 0);
    program.takeMotion(SETTLE);
    EXPECT_EQ(program.pointer(), (Point{back.left + 250, back.top + 250}));

    program.pressEscape();
    EXPECT_EQ(program.waitForExit(2s), 1);
    EXPECT_EQ(program.standardOutput(), "");
    EXPECT_EQ(program.standardError(), "");

    // A second start on the same desktop, closed as the title bar's close
    // button does: the toolkit ends it at once, with status 0 and in silence.
    MarelProgram second(desktop);
    ASSERT_EQ(second.waitForWindow(), 1) << second.standardError();
    sleep_for(500ms);
    EXPECT_EQ(second.closeThroughWindowManager(), 0);
    EXPECT_EQ(second.waitForExit(2s), 0);
    EXPECT_EQ(second.standardOutput(), "");
    EXPECT_EQ(second.standardError(), "");
}
