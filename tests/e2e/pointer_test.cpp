// The captured pointer and the buttons, driven with real X input and measured
// by the eye the program draws from: movement turns the camera by exactly its
// length, held buttons move it along the line of sight, and every move is
// answered by one warp back to the window's centre; the same where the display
// drops warps, and on two monitors.
#include "tests/support/process.h"
#include "tests/support/program.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <string>
#include <vector>

using namespace std::chrono_literals;

namespace {

constexpr Point WINDOW_ORIGIN{390, 262};  // screen pixels, the 500 x 500 window centred on 1280 x 1024
constexpr Point SCREEN_CENTRE{640, 512};
constexpr double TURN_TOLERANCE = 0.002;  // radians

// The surface, lit grey to white, above the frame-rate figure.
int surfaceArea(const Picture& shot)
{
    return shot.count(shot.scene(), isSurface);
}

Box surfaceBounds(const Picture& shot)
{
    return shot.bounds(shot.scene(), isSurface);
}

// Sends one xdotool command and returns the eye once it has been handled and drawn.
Eye afterInput(MarelProgram& program, const std::vector<std::string>& input)
{
    Eye eye;
    EXPECT_EQ(program.xdotool(input), 0);
    EXPECT_TRUE(program.waitForEye(eye));
    return eye;
}

double distanceToView(const Eye& e)
{
    return std::hypot(e.x, e.y, e.z);
}

bool sameEye(const Eye& a, const Eye& b)
{
    return a.x == b.x && a.y == b.y && a.z == b.z;
}

// The wait that is itself the check: the eye does not change for `period`.
testing::AssertionResult eyeStaysAt(MarelProgram& program, const Eye& eye, std::chrono::milliseconds period)
{
    return holdsThroughout("the view at rest", [&] { return program.eye().value_or(eye); },
                           [&](const Eye& e) { return sameEye(e, eye); }, period);
}

}  // namespace

TEST(Pointer, TurnsAndMovesTheCameraAndWarpsThePointerBackOnce)
{
    MarelProgram program(std::make_shared<XvfbServer>(), "", Probes{.eye = true});
    ASSERT_EQ(program.waitForWindow(), 1) << program.standardError();
    Eye start;
    ASSERT_TRUE(program.waitForEye(start));
    ASSERT_TRUE(program.waitForPointer(SCREEN_CENTRE)) << "the start-up warp";
    program.watchMotion();
    const Picture before = program.screenshot();

    // 200 pixels to the left turns the eye by +0.2 radian about +z, which
    // swings the near left corner of the surface further out to the left. The
    // server reports the move, then the program's warp back as one motion
    // event at the centre, which the program must not answer with another warp.
    const Eye turned = afterInput(program, {"mousemove_relative", "--", "-200", "0"});
    EXPECT_NEAR(turned.azimuth() - start.azimuth(), 0.200, TURN_TOLERANCE);
    std::vector<Point> motion;
    EXPECT_TRUE(program.waitForMotion("the move and the warp back",
                                      [](const std::vector<Point>& m) { return m.size() >= 2; }, &motion));
    EXPECT_EQ(motion, (std::vector<Point>{{50, 250}, {250, 250}}));
    EXPECT_TRUE(program.waitForPointer(SCREEN_CENTRE));
    const Picture turnedShot = program.screenshot();
    EXPECT_LE(surfaceBounds(turnedShot).left, surfaceBounds(before).left - 8);

    // The middle button alone neither moves nor turns the camera.
    EXPECT_EQ(program.xdotool({"mousedown", "2"}), 0);
    EXPECT_TRUE(eyeStaysAt(program, turned, 700ms));
    // Dragging reaches the same handler as plain movement: down 150 pixels
    // raises the eye by 0.15 radian, so the surface is seen less obliquely.
    const Eye raised = afterInput(program, {"mousemove_relative", "--", "0", "150"});
    EXPECT_EQ(program.xdotool({"mouseup", "2"}), 0);
    EXPECT_NEAR(raised.elevation() - turned.elevation(), 0.150, TURN_TOLERANCE);
    EXPECT_TRUE(program.waitForPointer(SCREEN_CENTRE));
    const int raisedArea = surfaceArea(program.screenshot());
    EXPECT_GT(raisedArea, surfaceArea(turnedShot) * 6 / 5);

    // Held for a second at 20 units per second, the left button takes the eye
    // most of the way to the view point, the right button back again.
    const Eye near = afterInput(program, {"mousedown", "1", "sleep", "1", "mouseup", "1"});
    EXPECT_LT(distanceToView(near), distanceToView(raised) - 12.0);
    const int nearArea = surfaceArea(program.screenshot());
    EXPECT_GT(nearArea, raisedArea * 2);
    const Eye back = afterInput(program, {"mousedown", "3", "sleep", "1", "mouseup", "3"});
    EXPECT_GT(distanceToView(back), distanceToView(near) + 15.0);
    EXPECT_LT(surfaceArea(program.screenshot()), nearArea / 2);

    // A resize moves the pointer's home: an odd width gives the centre (250,
    // 150). The pointer, still at (250, 250) in the shorter window, moves up
    // and left by 150 pixels: the view turns by that and the pointer goes to
    // the new home.
    ASSERT_EQ(program.resize(501, 300), 0);
    ASSERT_TRUE(program.waitForPicture("the window at 501 x 300",
                                       [](const Picture& s) { return s.width == 501 && s.height == 300; }));
    program.takeMotion();
    const Eye resized = afterInput(
        program, {"mousemove", std::to_string(WINDOW_ORIGIN.x + 100), std::to_string(WINDOW_ORIGIN.y + 100)});
    EXPECT_NEAR(resized.azimuth() - back.azimuth(), 0.150, TURN_TOLERANCE);
    EXPECT_NEAR(resized.elevation() - back.elevation(), -0.150, TURN_TOLERANCE);
    EXPECT_TRUE(program.waitForMotion("the move and the warp home",
                                      [](const std::vector<Point>& m) { return m.size() >= 2; }, &motion));
    EXPECT_EQ(motion, (std::vector<Point>{{100, 100}, {250, 150}}));
    EXPECT_TRUE(program.waitForPointer(Point{WINDOW_ORIGIN.x + 250, WINDOW_ORIGIN.y + 150}));

    program.pressEscape();
    EXPECT_TRUE(program.waitForEnd(1));
    EXPECT_EQ(program.standardOutput(), "");
    EXPECT_EQ(program.standardError(), "");
}


TEST(Pointer, WhereWarpsAreDroppedTheViewTurnsExactlyAsFarAsTheMouseMoves)
{
    // As through a VNC viewer: the program's warps do nothing, so the pointer
    // stays wherever the user puts it.
    const auto desktop = std::make_shared<XvfbServer>(1280, 1024, true);
    MarelProgram program(desktop, "", Probes{.eye = true, .dropWarps = true});
    ASSERT_EQ(program.waitForWindow(), 1) << program.standardError();
    Eye start;
    ASSERT_TRUE(program.waitForEye(start, 1));
    const Box window = program.placement();

    // Coming in from the parked position turns nothing.
    const Eye entered = afterInput(program, {"mousemove", std::to_string(window.left + 150), std::to_string(window.top + 250)});
    EXPECT_NEAR(entered.azimuth(), start.azimuth(), TURN_TOLERANCE);
    EXPECT_NEAR(entered.elevation(), start.elevation(), TURN_TOLERANCE);

    // Five moves of 40 px to the right: 0.200 rad clockwise seen from above.
    Eye moved = entered;
    for (int move = 0; move < 5; ++move) {
        moved = afterInput(program, {"mousemove_relative", "--", "40", "0"});
    }
    EXPECT_NEAR(moved.azimuth() - entered.azimuth(), -0.200, TURN_TOLERANCE);
    EXPECT_NEAR(moved.elevation(), start.elevation(), TURN_TOLERANCE);
    EXPECT_EQ(program.pointer(), (Point{window.left + 350, window.top + 250})) << "the pointer stays where it was put";

    // Back 100 px, exactly onto the home pixel the dropped warps aimed at: a
    // movement like any other, not the warp's report.
    const Eye home = afterInput(program, {"mousemove_relative", "--", "-100", "0"});
    EXPECT_EQ(program.pointer(), (Point{window.left + 250, window.top + 250}));
    EXPECT_NEAR(home.azimuth() - moved.azimuth(), 0.100, TURN_TOLERANCE);
    moved = home;

    // Left alone, the view stays put.
    EXPECT_TRUE(eyeStaysAt(program, moved, 1s));

    program.pressEscape();
    EXPECT_TRUE(program.waitForEnd(1));
    EXPECT_EQ(program.standardOutput(), "");
}

TEST(Pointer, OnTwoMonitorsTheWindowOpensOnTheFirstAndTurnsAsFarAsTheMouseMoves)
{
    // A laptop with a projector beside it: two 1280 x 1024 monitors.
    const auto desktop = std::make_shared<XvfbServer>(2560, 1024, true, 2);
    MarelProgram program(desktop, "", Probes{.eye = true});
    ASSERT_EQ(program.waitForWindow(), 1) << program.standardError();
    Eye start;
    ASSERT_TRUE(program.waitForEye(start, 1));

    // Centred on the first monitor, not split across the seam; the manager's
    // frame shifts it a little from (390, 262).
    const Box window = program.placement();
    EXPECT_EQ(window.right - window.left, 500);
    EXPECT_EQ(window.bottom - window.top, 500);
    EXPECT_TRUE(window.left >= 0 && window.right <= 1280 && window.top >= 0 && window.bottom <= 1024)
        << "the window is not wholly on the first monitor: " << program.geometry();
    EXPECT_NEAR(window.left, 390, 30);
    EXPECT_NEAR(window.top, 262, 30);

    const Point centre{window.left + 250, window.top + 250};
    const Eye entered = afterInput(program, {"mousemove", std::to_string(centre.x), std::to_string(centre.y)});
    EXPECT_NEAR(entered.azimuth(), start.azimuth(), TURN_TOLERANCE);
    const Eye moved = afterInput(program, {"mousemove_relative", "--", "-100", "0"});
    EXPECT_NEAR(moved.azimuth() - entered.azimuth(), 0.100, TURN_TOLERANCE);
    EXPECT_TRUE(program.waitForPointer(centre));

    program.pressEscape();
    EXPECT_TRUE(program.waitForEnd(1));
}

namespace {

// The user's mouse on the outer server of a nested desktop: XTest motion, as a
// real mouse makes (a warp there would reach neither viewer nor nested server).
int userInput(const XvfbServer& desktop, const std::vector<std::string>& arguments)
{
    std::vector<std::string> argv{"xdotool"};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    return runTool(Launch{.argv = argv, .display = desktop.userDisplay()});
}

// xdotool's arguments for `count` moves of (dx, dy), each delivered on its own.
std::vector<std::string> steps(int count, int dx, int dy)
{
    std::vector<std::string> arguments;
    for (int i = 0; i < count; ++i) {
        arguments.insert(arguments.end(),
                         {"mousemove_relative", "--", std::to_string(dx), std::to_string(dy), "sleep", "0.02"});
    }
    return arguments;
}

class NestedDesktop : public testing::TestWithParam<Nested> {};

}  // namespace

void PrintTo(Nested kind, std::ostream* out)
{
    *out << (kind == Nested::Vnc ? "Xvnc through xtigervncviewer" : "Xephyr");
}

// A VNC viewer or a nested server carries out the program's warp on its own
// pointer, while the user's pointer stays where the user left it: each
// movement must still turn the view by exactly its own length, measured where
// the user's pointer is, and nothing more.
TEST_P(NestedDesktop, TheViewTurnsExactlyAsFarAsTheUsersMouseMoves)
{
    const auto desktop = std::make_shared<XvfbServer>(GetParam());
    MarelProgram program(desktop, "", Probes{.eye = true});
    ASSERT_EQ(program.waitForWindow(), 1) << program.standardError();
    Eye start;
    ASSERT_TRUE(program.waitForEye(start, 1));
    const Box window = program.placement();

    // Where the nested desktop lies on the outer screen: a move near its top
    // left corner, seen on the inner server (where the pointer was parked,
    // and then warped to the window's centre by the program's first report).
    ASSERT_EQ(userInput(*desktop, {"mousemove", "100", "100", "mousemove_relative", "1", "1"}), 0);
    const Point centre{window.left + 250, window.top + 250};
    Point seen{};
    ASSERT_TRUE(waitFor("the user's move on the nested desktop", [&] { return program.pointer(); },
                        [&](Point p) { return !(p == MarelProgram::PARKED) && !(p == centre); }, &seen));
    const Point offset{101 - seen.x, 101 - seen.y};
    // Moves the user's pointer to `inner` (inner screen pixels) by moves the
    // nested desktop sees, and waits until the program has drawn after them.
    const auto userAt = [&](Point inner, const std::vector<std::string>& moves) {
        EXPECT_EQ(userInput(*desktop, moves), 0);
        EXPECT_TRUE(program.waitForPointer(inner)) << "offset " << offset;
        Eye eye;
        EXPECT_TRUE(program.waitForEye(eye));
        return eye;
    };

    // From 100 px left of the window, walking in by 10 px to 50 px inside:
    // only the 50 px inside turn.
    const int y = window.top + 250;
    const Eye outside = userAt({window.left - 100, y},
                               {"mousemove", std::to_string(window.left - 101 + offset.x), std::to_string(y + offset.y),
                                "mousemove_relative", "1", "0"});
    // A loaded viewer may merge the step onto the window's edge with the
    // next, so that the pointer is first seen 10 px further in: then 40 px
    // turn. Never more than the 50 px moved inside.
    const Eye walkedIn = userAt({window.left + 50, y}, steps(15, 10, 0));
    const double walkedTurn = walkedIn.azimuth() - outside.azimuth();
    EXPECT_GE(walkedTurn, -0.050 - TURN_TOLERANCE);
    EXPECT_LE(walkedTurn, -0.030 + TURN_TOLERANCE);
    EXPECT_NEAR(walkedIn.elevation(), start.elevation(), TURN_TOLERANCE);

    // 40 moves of 5 px right, then 200 px left in one move: 0.200 rad each way.
    const Eye stepped = userAt({window.left + 250, y}, steps(40, 5, 0));
    EXPECT_NEAR(stepped.azimuth() - walkedIn.azimuth(), -0.200, TURN_TOLERANCE);
    const Eye back = userAt({window.left + 50, y}, {"mousemove_relative", "--", "-200", "0"});
    EXPECT_NEAR(back.azimuth() - stepped.azimuth(), 0.200, TURN_TOLERANCE);

    // 100 px straight down raises the eye by 0.100 rad and turns no yaw.
    const Eye lowered = userAt({window.left + 50, y + 100}, {"mousemove_relative", "--", "0", "100"});
    EXPECT_NEAR(lowered.elevation() - back.elevation(), 0.100, TURN_TOLERANCE);
    EXPECT_NEAR(lowered.azimuth(), back.azimuth(), TURN_TOLERANCE);

    // At rest nothing turns; the pointer stays where the user left it.
    EXPECT_TRUE(eyeStaysAt(program, lowered, 1s));
    EXPECT_EQ(program.pointer(), (Point{window.left + 50, y + 100}));

    program.pressEscape();
    EXPECT_TRUE(program.waitForEnd(1));
    EXPECT_EQ(program.standardOutput(), "");
}

INSTANTIATE_TEST_SUITE_P(Pointer, NestedDesktop, testing::Values(Nested::Vnc, Nested::Xephyr),
                         [](const testing::TestParamInfo<Nested>& info) {
                             return info.param == Nested::Vnc ? "ThroughAVncViewer" : "InXephyr";
                         });

TEST(Pointer, WithThePrimaryMonitorOnTheRightTheWindowOpensCentredOnIt)
{
    // The projector on the left, the primary monitor on the right, which
    // RandR lists first.
    const auto desktop = std::make_shared<XvfbServer>(2560, 1024, true, 2, 1);
    MarelProgram program(desktop, "", Probes{.eye = true});
    ASSERT_EQ(program.waitForWindow(), 1) << program.standardError();
    Eye start;
    ASSERT_TRUE(program.waitForEye(start, 1));

    const Box window = program.placement();
    EXPECT_TRUE(window.left >= 1280 && window.right <= 2560 && window.top >= 0 && window.bottom <= 1024)
        << "the window is not wholly on the primary monitor: " << program.geometry();
    EXPECT_NEAR(window.left, 1280 + 390, 30);
    EXPECT_NEAR(window.top, 262, 30);

    const Point centre{window.left + 250, window.top + 250};
    const Eye entered = afterInput(program, {"mousemove", std::to_string(centre.x), std::to_string(centre.y)});
    const Eye moved = afterInput(program, {"mousemove_relative", "--", "0", "-100"});
    EXPECT_NEAR(moved.elevation() - entered.elevation(), -0.100, TURN_TOLERANCE);
    EXPECT_TRUE(program.waitForPointer(centre));

    program.pressEscape();
    EXPECT_TRUE(program.waitForEnd(1));
}
