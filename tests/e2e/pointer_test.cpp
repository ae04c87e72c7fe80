// The captured pointer and the buttons, driven with real X input: movement
// turns the camera, held buttons move it along the line of sight, and every
// move is answered by one warp back to the window's centre.
#include "tests/support/program.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>
#include <vector>

using namespace std::chrono_literals;
using std::this_thread::sleep_for;

namespace {

constexpr Point WINDOW_ORIGIN{390, 262};  // screen pixels, the 500 x 500 window centred on 1280 x 1024
constexpr Point SCREEN_CENTRE{640, 512};
constexpr auto SETTLE = 400ms;  // many drawn frames, even on a loaded machine

// The surface, lit grey to white, above the frame-rate figure.
int surfaceArea(const Screenshot& shot)
{
    return shot.count(shot.scene(), isSurface);
}

Box surfaceBounds(const Screenshot& shot)
{
    return shot.bounds(shot.scene(), isSurface);
}

int holdButton(MarelProgram& program, const char* button)
{
    program.xdotool({"mousedown", button, "sleep", "1", "mouseup", button});
    sleep_for(SETTLE);
    return surfaceArea(program.screenshot());
}

}  // namespace

TEST(Pointer, TurnsAndMovesTheCameraAndWarpsThePointerBackOnce)
{
    MarelProgram program;
    ASSERT_EQ(program.waitForWindow(), 1) << program.standardError();
    sleep_for(1s);
    program.watchMotion();
    program.takeMotion(200ms);  // start-up's own warp, if still queued
    const Screenshot before = program.screenshot();

    // 200 pixels to the left turns the eye by +0.2 radian about +z, which
    // swings the near left corner of the surface further out to the left. The
    // server reports the move, then the program's warp back as one motion
    // event at the centre, which the program must not answer with another warp.
    program.xdotool({"mousemove_relative", "--", "-200", "0"});
    EXPECT_EQ(program.takeMotion(SETTLE), (std::vector<Point>{{50, 250}, {250, 250}}));
    EXPECT_EQ(program.pointer(), SCREEN_CENTRE);
    const Screenshot turned = program.screenshot();
    EXPECT_LE(surfaceBounds(turned).left, surfaceBounds(before).left - 8);

    // The middle button alone neither moves nor turns the camera.
    const int turnedArea = surfaceArea(turned);
    program.xdotool({"mousedown", "2"});
    sleep_for(700ms);
    const Screenshot held = program.screenshot();
    EXPECT_NEAR(surfaceArea(held), turnedArea, turnedArea / 8);
    EXPECT_NEAR(surfaceBounds(held).left, surfaceBounds(turned).left, 4);
    // Dragging reaches the same handler as plain movement: down 150 pixels
    // raises the eye by 0.15 radian, so the surface is seen less obliquely.
    program.xdotool({"mousemove_relative", "--", "0", "150"});
    sleep_for(SETTLE);
    program.xdotool({"mouseup", "2"});
    EXPECT_EQ(program.pointer(), SCREEN_CENTRE);
    const int raisedArea = surfaceArea(program.screenshot());
    EXPECT_GT(raisedArea, turnedArea * 6 / 5);

    // A second at 20 units per second takes the eye most of the way to the
    // view point (left button) and back again (right).
    const int nearArea = holdButton(program, "1");
    EXPECT_GT(nearArea, raisedArea * 2);
    EXPECT_LT(holdButton(program, "3"), nearArea / 2);

    // A resize moves the pointer's home: an odd width gives the centre (250, 150).
    ASSERT_EQ(program.resize(501, 300), 0);
    program.takeMotion(SETTLE);
    program.xdotool({"mousemove", std::to_string(WINDOW_ORIGIN.x + 100), std::to_string(WINDOW_ORIGIN.y + 100)});
    EXPECT_EQ(program.takeMotion(SETTLE), (std::vector<Point>{{100, 100}, {250, 150}}));
    EXPECT_EQ(program.pointer(), (Point{WINDOW_ORIGIN.x + 250, WINDOW_ORIGIN.y + 150}));

    program.pressEscape();
    EXPECT_EQ(program.waitForExit(2s), 1);
    EXPECT_EQ(program.standardOutput(), "");
    EXPECT_EQ(program.standardError(), "");
}
