// The captured pointer and the buttons, driven with real X input: movement
// turns the camera round the view point, the buttons move it along the line
// of sight, and the pointer is pulled back to the window's centre.
#include "tests/support/program.h"

#include <gtest/gtest.h>

#include <chrono>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

using namespace std::chrono_literals;

namespace {

constexpr int CENTRE = 250;     // window pixels, of the 500 x 500 window
constexpr int WINDOW_LEFT = 390;  // screen pixels, the window centred on 1280 x 1024
constexpr int WINDOW_TOP = 262;
constexpr int SCREEN_CENTRE_X = WINDOW_LEFT + CENTRE;
constexpr int SCREEN_CENTRE_Y = WINDOW_TOP + CENTRE;
constexpr auto SETTLE = 400ms;  // many drawn frames, even on a loaded machine

// Everything above the frame-rate figure.
Screenshot::Box scene(const Screenshot& shot)
{
    return Screenshot::Box{0, 0, shot.width, shot.height - 40};
}

int surfaceArea(const Screenshot& shot)
{
    return shot.count(scene(shot), isSurfaceGrey);
}

Screenshot::Box surfaceBounds(const Screenshot& shot)
{
    return shot.bounds(scene(shot), isSurfaceGrey);
}

std::string describe(const std::vector<Point>& motion)
{
    std::ostringstream text;
    for (const Point& m : motion) {
        text << '(' << m.x << ", " << m.y << ") ";
    }
    return text.str();
}

void startAndSettle(MarelProgram& program)
{
    ASSERT_NE(program.waitForWindow(), 0u) << program.standardError();
    sleepFor(1s);
}

void escapeEndsWithStatusOne(MarelProgram& program)
{
    program.pressEscape();
    const ExitResult result = program.waitForExit(2s);
    ASSERT_TRUE(result.exited) << "the program no longer answers";
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(program.standardOutput(), "");
    EXPECT_EQ(program.standardError(), "");
}

}  // namespace

TEST(Pointer, AMoveTurnsTheCameraOnceAndThePointerIsWarpedBackToTheCentre)
{
    MarelProgram program;
    startAndSettle(program);
    if (HasFatalFailure()) {
        return;
    }
    const bool watching = program.watchPointerMotion();
    if (!watching) {
        std::cout << "[ NOTE     ] built without XInput 2 headers: motion events not watched\n";
    }
    program.takePointerMotion(200ms);  // start-up's own warp, if still queued
    const Screenshot before = program.screenshot();
    ASSERT_TRUE(before.valid());
    before.keep("pointer-before");

    // 200 pixels to the left: a turn of +0.2 radian about +z, anticlockwise
    // seen from above, which swings the near left corner of the surface
    // further out to the left of the picture.
    program.moveRelative(-200, 0);
    const std::vector<Point> motion = program.takePointerMotion(SETTLE);
    // The server reports the move itself, then the program's warp back as a
    // motion event at the centre; the program must not answer that with
    // another warp.
    if (watching) {
        ASSERT_GE(motion.size(), 2u) << describe(motion);
        EXPECT_EQ(motion.front().x, CENTRE - 200);
        EXPECT_EQ(motion.front().y, CENTRE);
        for (size_t i = 1; i < motion.size(); ++i) {
            EXPECT_EQ(motion[i].x, CENTRE) << describe(motion);
            EXPECT_EQ(motion[i].y, CENTRE) << describe(motion);
        }
        EXPECT_LE(motion.size(), 3u) << "warps feeding warps: " << describe(motion);
    }
    const Point p = program.pointer();
    EXPECT_EQ(p.x, SCREEN_CENTRE_X);
    EXPECT_EQ(p.y, SCREEN_CENTRE_Y);

    const Screenshot turned = program.screenshot();
    ASSERT_TRUE(turned.valid());
    turned.keep("pointer-turned-left");
    const Screenshot::Box b0 = surfaceBounds(before);
    const Screenshot::Box b1 = surfaceBounds(turned);
    EXPECT_LE(b1.left, b0.left - 8) << "before " << b0.left << ", after " << b1.left;

    // At rest nothing more happens: no motion is reported, the pointer stays
    // put and the camera holds still while the waves go on.
    sleepFor(1s);
    EXPECT_TRUE(program.takePointerMotion().empty());
    const Screenshot still = program.screenshot();
    ASSERT_TRUE(still.valid());
    const Screenshot::Box b2 = surfaceBounds(still);
    EXPECT_NEAR(b2.left, b1.left, 4);
    EXPECT_NEAR(b2.right, b1.right, 4);
    EXPECT_EQ(program.pointer().x, SCREEN_CENTRE_X);
    EXPECT_EQ(program.pointer().y, SCREEN_CENTRE_Y);

    // Down 150 pixels raises the eye by 0.15 radian, so the surface is seen
    // less obliquely and covers more of the picture; up 400 lowers it well
    // below where it started, to a grazing view.
    const int startArea = surfaceArea(still);
    program.moveRelative(0, 150);
    sleepFor(SETTLE);
    const Screenshot raised = program.screenshot();
    ASSERT_TRUE(raised.valid());
    raised.keep("pointer-raised");
    // The window's top edge is only 250 pixels above the centre: two steps.
    program.moveRelative(0, -200);
    sleepFor(SETTLE);
    program.moveRelative(0, -200);
    sleepFor(SETTLE);
    const Screenshot lowered = program.screenshot();
    ASSERT_TRUE(lowered.valid());
    lowered.keep("pointer-lowered");
    EXPECT_GT(surfaceArea(raised), startArea * 6 / 5) << startArea;
    EXPECT_LT(surfaceArea(lowered), startArea * 4 / 5) << startArea;
    EXPECT_EQ(program.pointer().x, SCREEN_CENTRE_X);
    EXPECT_EQ(program.pointer().y, SCREEN_CENTRE_Y);

    escapeEndsWithStatusOne(program);
}

TEST(Pointer, MovementWithTheMiddleButtonHeldTurnsAndTheMiddleButtonAloneDoesNothing)
{
    MarelProgram program;
    startAndSettle(program);
    if (HasFatalFailure()) {
        return;
    }
    const Screenshot before = program.screenshot();
    ASSERT_TRUE(before.valid());

    program.buttonDown(2);
    sleepFor(700ms);
    const Screenshot held = program.screenshot();
    ASSERT_TRUE(held.valid());
    // The middle button neither moves the camera nor turns it.
    EXPECT_NEAR(surfaceArea(held), surfaceArea(before), surfaceArea(before) / 8);
    EXPECT_NEAR(surfaceBounds(held).left, surfaceBounds(before).left, 4);

    // Dragging reaches the same handler as plain movement: 200 pixels to the
    // right turns by -0.2 radian, swinging the near right corner outwards.
    program.moveRelative(200, 0);
    sleepFor(SETTLE);
    program.buttonUp(2);
    const Screenshot turned = program.screenshot();
    ASSERT_TRUE(turned.valid());
    turned.keep("pointer-dragged-right");
    EXPECT_GE(surfaceBounds(turned).right, surfaceBounds(held).right + 8);
    EXPECT_EQ(program.pointer().x, SCREEN_CENTRE_X);
    EXPECT_EQ(program.pointer().y, SCREEN_CENTRE_Y);

    escapeEndsWithStatusOne(program);
}

TEST(Buttons, LeftHeldMovesTowardsTheViewPointAndRightAway)
{
    MarelProgram program;
    startAndSettle(program);
    if (HasFatalFailure()) {
        return;
    }
    const Screenshot start = program.screenshot();
    ASSERT_TRUE(start.valid());
    const int startArea = surfaceArea(start);
    ASSERT_GT(startArea, 5000);

    // A second at 20 units per second takes the eye from about 26.9 units
    // away to about 6.9: the surface fills much of the window.
    program.buttonDown(1);
    sleepFor(1s);
    program.buttonUp(1);
    sleepFor(SETTLE);
    const Screenshot near = program.screenshot();
    ASSERT_TRUE(near.valid());
    near.keep("buttons-left-held");
    const int nearArea = surfaceArea(near);
    EXPECT_GT(nearArea, startArea * 2);

    // Released, it stays where it is.
    sleepFor(500ms);
    const Screenshot stillNear = program.screenshot();
    ASSERT_TRUE(stillNear.valid());
    EXPECT_NEAR(surfaceArea(stillNear), nearArea, nearArea / 8);

    // Right for a second goes back to about where it started, and a second
    // more to about 46.9 units: smaller than at the start.
    program.buttonDown(3);
    sleepFor(1s);
    program.buttonUp(3);
    sleepFor(SETTLE);
    const int backArea = surfaceArea(program.screenshot());
    EXPECT_LT(backArea, nearArea / 2);
    program.buttonDown(3);
    sleepFor(1s);
    program.buttonUp(3);
    sleepFor(SETTLE);
    const Screenshot far = program.screenshot();
    ASSERT_TRUE(far.valid());
    far.keep("buttons-right-held");
    const int farArea = surfaceArea(far);
    EXPECT_LT(farArea, startArea * 7 / 10);
    EXPECT_GT(farArea, 0);

    // Both held move towards the view point at practically the left
    // button's speed: back from about 46.9 to about 26.9 units.
    program.buttonDown(1);
    program.buttonDown(3);
    sleepFor(1s);
    program.buttonUp(3);
    program.buttonUp(1);
    sleepFor(SETTLE);
    const int bothArea = surfaceArea(program.screenshot());
    EXPECT_GT(bothArea, farArea * 2);

    escapeEndsWithStatusOne(program);
}

TEST(Resize, TheProjectionAndThePointersHomeFollowTheWindow)
{
    MarelProgram program;
    startAndSettle(program);
    if (HasFatalFailure()) {
        return;
    }
    const Screenshot square = program.screenshot();
    ASSERT_TRUE(square.valid());
    const Screenshot::Box s = surfaceBounds(square);

    // Wider by 300 pixels: the vertical field of view stays at 50 degrees,
    // so the surface keeps its size in pixels and moves to the new middle.
    ASSERT_EQ(program.resize(800, 500), 0);
    sleepFor(SETTLE);
    const Screenshot wide = program.screenshot();
    ASSERT_TRUE(wide.valid());
    wide.keep("resize-800x500");
    ASSERT_EQ(wide.width, 800);
    ASSERT_EQ(wide.height, 500);
    // The blue axis stands rigid above the surface, untouched by the waves:
    // its top stays at the same height and it moves 150 pixels across.
    const Screenshot::Box axisSquare = square.bounds(scene(square), isBlue);
    const Screenshot::Box axisWide = wide.bounds(scene(wide), isBlue);
    ASSERT_FALSE(axisSquare.empty());
    ASSERT_FALSE(axisWide.empty());
    EXPECT_NEAR(axisWide.top, axisSquare.top, 2);
    EXPECT_NEAR(axisWide.left + axisWide.right, axisSquare.left + axisSquare.right + 300, 4);
    const Screenshot::Box w = surfaceBounds(wide);
    EXPECT_NEAR(w.right - w.left, s.right - s.left, 8);
    EXPECT_NEAR(w.left + w.right, s.left + s.right + 300, 8);

    // An odd width: the centre is (250, 150), and a move into the window is
    // answered with one warp there, reported as motion at that centre.
    ASSERT_EQ(program.resize(501, 300), 0);
    sleepFor(SETTLE);
    const bool watching = program.watchPointerMotion();
    program.takePointerMotion(100ms);
    program.moveTo(WINDOW_LEFT + 100, WINDOW_TOP + 100);
    const std::vector<Point> motion = program.takePointerMotion(SETTLE);
    if (watching) {
        ASSERT_GE(motion.size(), 2u) << describe(motion);
        EXPECT_EQ(motion.front().x, 100);
        EXPECT_EQ(motion.front().y, 100);
        for (size_t i = 1; i < motion.size(); ++i) {
            EXPECT_EQ(motion[i].x, 250) << describe(motion);
            EXPECT_EQ(motion[i].y, 150) << describe(motion);
        }
        EXPECT_LE(motion.size(), 3u) << describe(motion);
        EXPECT_TRUE(program.takePointerMotion(500ms).empty());
    }
    const Point p = program.pointer();
    EXPECT_EQ(p.x, WINDOW_LEFT + 250);
    EXPECT_EQ(p.y, WINDOW_TOP + 150);

    escapeEndsWithStatusOne(program);
}
