// The captured pointer and the buttons, driven with real X input and measured
// by the eye the program draws from: movement turns the camera by exactly its
// length, held buttons move it along the line of sight, and every move is
// answered by one warp back to the window's centre; the same where the display
// drops warps, and on two monitors.
#include "tests/support/process.h"
#include "tests/support/program.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <string>
#include <thread>
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

// The eye once the view has settled after input: unchanged over ten drawn
// frames, so that every report already sent has been handled.
Eye settledEye(MarelProgram& program)
{
    Eye before;
    EXPECT_TRUE(program.waitForEye(before));
    for (int attempt = 0; attempt < 100; ++attempt) {
        Eye after;
        if (!program.waitForEye(after, 10)) {
            break;
        }
        if (sameEye(before, after)) {
            return after;
        }
        before = after;
    }
    ADD_FAILURE() << "the view did not settle; last " << before;
    return before;
}

// The eye once `accept` holds for it: polled for until it does (the input
// may take a while through a viewer or a compositor), and then settled, so
// that a turn that goes on past it is seen too. The caller checks the eye
// returned.
template <typename Accept>
Eye settledOnce(MarelProgram& program, Accept accept)
{
    constexpr std::chrono::milliseconds LONGEST_INPUT_DELAY = 10s;
    static_cast<void>(waitUntil("the view turned", [&] { return accept(program.eye().value_or(Eye{})); },
                                LONGEST_INPUT_DELAY));
    return settledEye(program);
}

// The same, once the view has turned by `azimuth` and `elevation` radians from `from`.
Eye turnedBy(MarelProgram& program, const Eye& from, double azimuth, double elevation = 0.0)
{
    return settledOnce(program, [&](const Eye& e) {
        return std::fabs(e.azimuth() - from.azimuth() - azimuth) <= TURN_TOLERANCE &&
               std::fabs(e.elevation() - from.elevation() - elevation) <= TURN_TOLERANCE;
    });
}

// Three rounds of 40 moves of 5 px to the right and 40 back, each half round
// made by `halfRound(direction)`, +1 right and -1 left. The eye is drawn once
// a frame, so the turns between are not all seen: each half round is checked
// once the view has settled, 0.200 rad the right way, and the three rounds
// together come back to where they started.
template <typename HalfRound>
void turnsByEachHalfRound(MarelProgram& program, HalfRound halfRound)
{
    const Eye start = settledEye(program);
    Eye before = start;
    for (int round = 1; round <= 3; ++round) {
        for (const int direction : {1, -1}) {
            halfRound(direction);
            const Eye after = turnedBy(program, before, -0.200 * direction);
            EXPECT_NEAR(after.azimuth() - before.azimuth(), -0.200 * direction, TURN_TOLERANCE)
                << "round " << round << (direction > 0 ? ", to the right" : ", back");
            EXPECT_NEAR(after.elevation(), before.elevation(), TURN_TOLERANCE);
            before = after;
        }
    }
    EXPECT_NEAR(before.azimuth() - start.azimuth(), 0.0, TURN_TOLERANCE) << "after the three rounds";
}

// 40 steps of 5 px in `direction`: deltas, or the absolute positions of a
// pointer that starts at `x` (which follows it).
std::vector<MouseStep> halfRoundSteps(bool absolute, int direction, int& x, int y)
{
    std::vector<MouseStep> steps;
    for (int i = 0; i < 40; ++i) {
        x += 5 * direction;
        steps.push_back(absolute ? MouseStep{true, x, y} : MouseStep{false, 5 * direction, 0});
    }
    return steps;
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

struct FastMouse {
    bool absolute;  // XTest to points of the screen, as screen-sharing servers move the pointer
    int intervalMs;
};

void PrintTo(const FastMouse& mouse, std::ostream* out)
{
    *out << (mouse.absolute ? "absolute" : "relative") << " XTest motion " << mouse.intervalMs << " ms apart";
}

class FastMouseOnADesktop : public testing::TestWithParam<FastMouse> {};

}  // namespace

// A 500 to 1000 Hz mouse, moving the pointer by deltas as a local one does or
// to points of the screen as x11vnc, TigerVNC's x0vncserver and xpra move it
// for their viewers, on a plain desktop with a window manager: the next
// movement often arrives before the program has handled the last, or before
// its warp has been carried out.
TEST_P(FastMouseOnADesktop, EachHalfRoundTurnsItsLength)
{
    const auto desktop = std::make_shared<XvfbServer>(1280, 1024, true);
    MarelProgram program(desktop, "", Probes{.eye = true});
    ASSERT_EQ(program.waitForWindow(), 1) << program.standardError();
    Eye start;
    ASSERT_TRUE(program.waitForEye(start, 1));
    const Box window = program.placement();
    const Point centre{window.left + 250, window.top + 250};
    // The pointer brought in from where it was parked, onto the centre.
    moveMouse(desktop->display(), {{true, centre.x, centre.y}});
    ASSERT_TRUE(program.waitForPointer(centre));

    int x = centre.x;
    turnsByEachHalfRound(program, [&](int direction) {
        moveMouse(desktop->display(), halfRoundSteps(GetParam().absolute, direction, x, centre.y),
                  std::chrono::milliseconds(GetParam().intervalMs));
    });

    program.pressEscape();
    EXPECT_TRUE(program.waitForEnd(1));
}

INSTANTIATE_TEST_SUITE_P(Pointer, FastMouseOnADesktop,
                         testing::Values(FastMouse{true, 1}, FastMouse{true, 2}, FastMouse{true, 5},
                                         FastMouse{false, 1}, FastMouse{false, 2}, FastMouse{false, 5}),
                         [](const testing::TestParamInfo<FastMouse>& info) {
                             return std::string(info.param.absolute ? "Absolute" : "Relative") +
                                    std::to_string(info.param.intervalMs) + "ms";
                         });

// A device that reports the user's own pointer and follows the program's
// warps (a viewer that moves its pointer to where the server's went, and says
// so), with the window away from the screen's origin: each movement turns its
// length and the pointer stays held at the centre.
TEST(Pointer, AnAbsoluteDeviceThatFollowsTheWarpsIsHeldAtTheCentre)
{
    const auto desktop = std::make_shared<XvfbServer>(1280, 1024, true);
    MarelProgram program(desktop, "", Probes{.eye = true});
    ASSERT_EQ(program.waitForWindow(), 1) << program.standardError();
    Eye start;
    ASSERT_TRUE(program.waitForEye(start, 1));
    const Box window = program.placement();
    ASSERT_GT(window.left, 0);
    const Point centre{window.left + 250, window.top + 250};
    moveMouse(desktop->display(), {{true, centre.x, centre.y}});
    const Eye before = settledEye(program);
    for (int move = 0; move < 20; ++move) {
        moveMouse(desktop->display(), {{true, centre.x + 5, centre.y}});
        ASSERT_TRUE(program.waitForPointer(centre)) << "move " << move << ": the warp back";
        moveMouse(desktop->display(), {{true, centre.x, centre.y}});
    }
    EXPECT_NEAR(settledEye(program).azimuth() - before.azimuth(), -0.100, TURN_TOLERANCE);

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

// `count` moves of (dx, dy) by the user's mouse.
std::vector<MouseStep> moves(int count, int dx, int dy)
{
    return std::vector<MouseStep>(static_cast<std::size_t>(count), MouseStep{false, dx, dy});
}

// The user at the outer server of a nested desktop, with the program running
// on the inner one: where the inner screen lies on the outer, found from a
// move near its top-left corner, seen on the inner server (where the pointer
// was parked, and then warped to the window's centre by the program's first
// report).
struct NestedUser {
    XvfbServer& desktop;
    MarelProgram& program;
    Box window;    // the program's window, inner screen pixels
    Point offset;  // outer minus inner screen pixels

    NestedUser(XvfbServer& d, MarelProgram& p) : desktop(d), program(p), window(p.placement()), offset{0, 0}
    {
        EXPECT_EQ(userInput(desktop, {"mousemove", "100", "100", "mousemove_relative", "1", "1"}), 0);
        const Point centre = this->centre();
        Point seen{};
        EXPECT_TRUE(waitFor("the user's move on the nested desktop", [&] { return program.pointer(); },
                            [&](Point q) { return !(q == MarelProgram::PARKED) && !(q == centre); }, &seen));
        offset = Point{101 - seen.x, 101 - seen.y};
    }
    Point centre() const { return Point{window.left + 250, window.top + 250}; }
    // The user's pointer put just left of `inner` and moved onto it by one
    // pixel, so that the nested desktop sees a movement there.
    std::vector<std::string> onto(Point inner) const
    {
        return {"mousemove", std::to_string(inner.x - 1 + offset.x), std::to_string(inner.y + offset.y),
                "mousemove_relative", "1", "0"};
    }
    // Moves the user's pointer to `inner` (inner screen pixels) by xdotool's
    // `moves` or by XTest steps, and waits until the program has drawn after them.
    Eye at(Point inner, const std::vector<std::string>& moves)
    {
        EXPECT_EQ(userInput(desktop, moves), 0);
        return drawnWith(inner);
    }
    Eye at(Point inner, const std::vector<MouseStep>& steps, std::chrono::milliseconds interval)
    {
        moveMouse(desktop.userDisplay(), steps, interval);
        return drawnWith(inner);
    }
    Eye drawnWith(Point inner)
    {
        EXPECT_TRUE(program.waitForPointer(inner)) << "offset " << offset;
        return settledEye(program);
    }
};

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
    NestedUser user(*desktop, program);
    const Box& window = user.window;

    // From 100 px left of the window, walking in by 10 px to 50 px inside:
    // where the pointer came in turns nothing, and every step from there its
    // own 10 px. Where it is first seen inside is the viewer's to say: a
    // loaded one merges steps. (The program's first warp, tried once the
    // pointer is in, may be carried out after the last step: the pointer is
    // then at the centre until the user moves again.)
    const int y = window.top + 250;
    const Eye outside = user.at({window.left - 100, y}, user.onto({window.left - 100, y}));
    program.watchMotion();
    EXPECT_EQ(userInput(*desktop, steps(15, 10, 0)), 0);
    std::vector<Point> reported;
    EXPECT_TRUE(program.waitForMotion("the last step reported", [](const std::vector<Point>& m) {
        return std::find(m.begin(), m.end(), Point{50, 250}) != m.end();
    }, &reported));
    const Eye walkedIn = settledEye(program);
    ASSERT_FALSE(reported.empty());
    EXPECT_LE(reported.front().x, 50) << "first seen inside at " << reported.front();
    EXPECT_NEAR(walkedIn.azimuth() - outside.azimuth(), -(50 - reported.front().x) * 0.001, TURN_TOLERANCE)
        << "first seen inside at " << reported.front();
    EXPECT_NEAR(walkedIn.elevation(), start.elevation(), TURN_TOLERANCE);

    // 40 moves of 5 px right, then 200 px left in one move: 0.200 rad each way.
    const Eye stepped = user.at({window.left + 250, y}, steps(40, 5, 0));
    EXPECT_NEAR(stepped.azimuth() - walkedIn.azimuth(), -0.200, TURN_TOLERANCE);
    const Eye back = user.at({window.left + 50, y}, {"mousemove_relative", "--", "-200", "0"});
    EXPECT_NEAR(back.azimuth() - stepped.azimuth(), 0.200, TURN_TOLERANCE);

    // The same 40 moves 8 ms apart, as a 125 Hz mouse makes them, and back.
    const Eye fastRight = user.at({window.left + 250, y}, moves(40, 5, 0), 8ms);
    EXPECT_NEAR(fastRight.azimuth() - back.azimuth(), -0.200, TURN_TOLERANCE);
    const Eye fastBack = user.at({window.left + 50, y}, moves(40, -5, 0), 8ms);
    EXPECT_NEAR(fastBack.azimuth() - fastRight.azimuth(), 0.200, TURN_TOLERANCE);

    // 100 px straight down raises the eye by 0.100 rad and turns no yaw.
    const Eye lowered = user.at({window.left + 50, y + 100}, {"mousemove_relative", "--", "0", "100"});
    EXPECT_NEAR(lowered.elevation() - fastBack.elevation(), 0.100, TURN_TOLERANCE);
    EXPECT_NEAR(lowered.azimuth(), fastBack.azimuth(), TURN_TOLERANCE);

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

namespace {

class ScreenSharing : public testing::TestWithParam<int> {};

}  // namespace

// A desktop shared by x11vnc, seen in TigerVNC's viewer: x11vnc moves the
// shared desktop's pointer by absolute XTest motion to where the viewer's is,
// and the user's mouse moves the viewer's 1 to 5 ms apart.
TEST_P(ScreenSharing, EachHalfRoundTurnsItsLengthThroughX11vncAndItsViewer)
{
    const auto desktop = std::make_shared<XvfbServer>(Nested::ScreenShare);
    MarelProgram program(desktop, "", Probes{.eye = true});
    ASSERT_EQ(program.waitForWindow(), 1) << program.standardError();
    Eye start;
    ASSERT_TRUE(program.waitForEye(start, 1));
    NestedUser user(*desktop, program);
    user.at(user.centre(), user.onto(user.centre()));

    turnsByEachHalfRound(program, [&](int direction) {
        moveMouse(desktop->userDisplay(), moves(40, 5 * direction, 0), std::chrono::milliseconds(GetParam()));
    });

    program.pressEscape();
    EXPECT_TRUE(program.waitForEnd(1));
}

INSTANTIATE_TEST_SUITE_P(Pointer, ScreenSharing, testing::Values(1, 2, 5),
                         [](const testing::TestParamInfo<int>& info) {
                             return std::to_string(info.param) + "ms";
                         });

// Where the user's pointer moves onto the window's centre just after the
// program's first warp has put the shared desktop's pointer there, x11vnc's
// report of it looks like a viewer following that warp: the movement turns
// once the next reports show that the viewer does not follow.
TEST(Pointer, ThroughX11vncAMoveOntoTheCentreJustAfterTheFirstWarpTurnsItsLength)
{
    const auto desktop = std::make_shared<XvfbServer>(Nested::ScreenShare);
    MarelProgram program(desktop, "", Probes{.eye = true});
    ASSERT_EQ(program.waitForWindow(), 1) << program.standardError();
    Eye start;
    ASSERT_TRUE(program.waitForEye(start, 1));
    NestedUser user(*desktop, program);
    const Point centre = user.centre();
    // Each step waits until the server has made the moves before it and the
    // warps that answer them: a loaded machine answers later than a user's
    // 50 ms, and x11vnc then passes the next moves on before the warp.
    const auto seen = [&](const std::string& what, std::vector<Point> path) {
        return program.waitForMotion(what, [path](const std::vector<Point>& m) {
            auto next = m.begin();
            for (const Point& p : path) {
                next = std::find(next, m.end(), p);
                if (next == m.end()) {
                    return false;
                }
                ++next;
            }
            return true;
        });
    };
    // In at 100 px right of the centre: the program tries its warp there
    // (so the pointer may be at the centre before it could be seen there).
    program.watchMotion();
    EXPECT_EQ(userInput(*desktop, user.onto({centre.x + 100, centre.y})), 0);
    const Point home{250, 250};  // the window's centre, in window pixels
    EXPECT_TRUE(seen("the pointer come in and warped", {{350, 250}, home}));
    const Eye in = settledEye(program);
    moveMouse(desktop->userDisplay(), {{false, -100, 0}});
    EXPECT_TRUE(seen("the move onto the centre", {home}));
    // The move onto the centre turns once the viewer is seen not to follow
    // the warps: at its first move after the program's next warp was carried
    // out. Had both 5 px moves come before that warp, nothing after them
    // would tell, and the turn would wait for the user's next move.
    moveMouse(desktop->userDisplay(), {{false, 5, 0}});
    EXPECT_TRUE(seen("5 px right and the warp back", {{255, 250}, home}));
    moveMouse(desktop->userDisplay(), {{false, 5, 0}});
    EXPECT_NEAR(turnedBy(program, in, 0.090).azimuth() - in.azimuth(), 0.090, TURN_TOLERANCE);

    program.pressEscape();
    EXPECT_TRUE(program.waitForEnd(1));
}

// Two devices move one pointer: the VNC viewer's (the user's mouse at the
// viewer) and XTest on the VNC server itself (a tool on the remote desktop).
// Each movement turns by its own length, however they interleave.
TEST(Pointer, TwoDevicesUnderOnePointerEachTurnByTheirOwnMovements)
{
    const auto desktop = std::make_shared<XvfbServer>(Nested::Vnc);
    MarelProgram program(desktop, "", Probes{.eye = true});
    ASSERT_EQ(program.waitForWindow(), 1) << program.standardError();
    Eye start;
    ASSERT_TRUE(program.waitForEye(start, 1));
    NestedUser user(*desktop, program);
    const Eye before = user.at(user.centre(), user.onto(user.centre()));
    program.watchMotion();

    // Ten times 5 px right at the viewer and 3 px right on the server itself.
    for (int i = 0; i < 10; ++i) {
        moveMouse(desktop->userDisplay(), {{false, 5, 0}});
        moveMouse(desktop->display(), {{false, 3, 0}}, 0ms);
        std::this_thread::sleep_for(20ms);
    }
    EXPECT_NEAR(turnedBy(program, before, -0.080).azimuth() - before.azimuth(), -0.080, TURN_TOLERANCE);
    EXPECT_TRUE(program.waitForMotion("motion made by the two devices",
                                      [&](const std::vector<Point>&) { return program.motionSources().size() >= 2; }))
        << "the raw motion came from one device only";

    program.pressEscape();
    EXPECT_TRUE(program.waitForEnd(1));
}

// Xephyr passes nothing on when the user's pointer leaves its window, so the
// nested pointer stays inside the program's window; coming back in elsewhere
// reaches the program as one plain motion, no leave and no enter, exactly as a
// fast movement of the same length does. Nothing in the events tells the two
// apart: the view turns by the jump in both (README, docs/how-it-works.md).
TEST(Pointer, ThroughAViewerThatNeverSaysThePointerLeftAReEntryTurnsAsAFastMovementDoes)
{
    const auto desktop = std::make_shared<XvfbServer>(Nested::Xephyr);
    MarelProgram program(desktop, "", Probes{.eye = true});
    ASSERT_EQ(program.waitForWindow(), 1) << program.standardError();
    Eye start;
    ASSERT_TRUE(program.waitForEye(start, 1));
    NestedUser user(*desktop, program);
    const Point centre = user.centre();
    const Eye rest = user.at(centre, user.onto(centre));

    // Out of the viewer in one step, past the inner screen's right edge, and
    // after a rest back in 150 px right of and 60 px above the centre.
    moveMouse(desktop->userDisplay(), {{true, 1500 + user.offset.x, centre.y + user.offset.y}});
    EXPECT_TRUE(eyeStaysAt(program, rest, 500ms));
    // The program tries one warp home after it: the pointer may be back at
    // the centre before it could be seen where the user put it.
    moveMouse(desktop->userDisplay(), {{true, centre.x + 150 + user.offset.x, centre.y - 60 + user.offset.y}});
    const Eye reentered = turnedBy(program, rest, -0.150, -0.060);
    EXPECT_NEAR(reentered.azimuth() - rest.azimuth(), -0.150, TURN_TOLERANCE);
    EXPECT_NEAR(reentered.elevation() - rest.elevation(), -0.060, TURN_TOLERANCE);

    // After the same rest, one fast movement as long: 150 px left and 60 px
    // up (not onto the centre, where a report after the program's first warp
    // would be taken for a viewer that follows its warps).
    EXPECT_TRUE(eyeStaysAt(program, reentered, 500ms));
    moveMouse(desktop->userDisplay(), {{false, -150, -60}});
    const Eye moved = turnedBy(program, reentered, 0.150, -0.060);
    EXPECT_NEAR(moved.azimuth() - reentered.azimuth(), 0.150, TURN_TOLERANCE);
    EXPECT_NEAR(moved.elevation() - reentered.elevation(), -0.060, TURN_TOLERANCE);

    program.pressEscape();
    EXPECT_TRUE(program.waitForEnd(1));
}

// A Wayland desktop runs the program in XWayland: weston as a window of an
// Xvfb, the user's mouse as XTest motion there reaching XWayland as Wayland
// pointer input. Walking in from 100 px left of the window by 40 px steps,
// the pointer is first seen 20 px inside, and only the 120 px moved inside
// from there turn: at the first entry after start, where a warp the program
// made before the pointer ever came in has left XWayland's warp emulation
// waiting, and at the next.
TEST(PointerXWayland, TheFirstAndTheSecondEntryTurnOnlyWhatWasMovedInside)
{
    const auto desktop = std::make_shared<XvfbServer>(Nested::XWayland);
    // The pointer outside where the window will open, so that the program's
    // first warp is made before the pointer ever comes in.
    moveMouse(desktop->userDisplay(), {{true, 100, 100}});
    MarelProgram program(desktop, "", Probes{.eye = true});
    ASSERT_EQ(program.waitForWindow(), 1) << program.standardError();
    Eye start;
    ASSERT_TRUE(program.waitForEye(start, 1));
    // weston maps the window where it likes and then moves it where the
    // program asked, centred (its own frame shifts it a little); its output
    // lies at the outer screen's top-left corner, at its scale.
    Box window{};
    ASSERT_TRUE(waitFor("the window centred by weston", [&] { return program.placement(); },
                        [](const Box& b) { return std::abs(b.left - 390) <= 40 && std::abs(b.top - 262) <= 40; },
                        &window));
    const int y = window.top + 250;
    const std::string& outer = desktop->userDisplay();
    for (const char* entry : {"the first entry", "the second entry"}) {
        SCOPED_TRACE(entry);
        // From outside weston's window, so that it sees the pointer come in.
        moveMouse(outer, {{true, 1500, 1100}, {true, window.left - 101, y}, {false, 1, 0}}, 50ms);
        const Eye outside = settledEye(program);
        moveMouse(outer, moves(6, 40, 0), 50ms);
        const Eye inside = turnedBy(program, outside, -0.120);
        EXPECT_NEAR(inside.azimuth() - outside.azimuth(), -0.120, TURN_TOLERANCE);
        EXPECT_NEAR(inside.elevation(), outside.elevation(), TURN_TOLERANCE);
        // Out to the left again with a flick, as a user leaves the window.
        moveMouse(outer, moves(8, -100, 0), 20ms);
    }

    program.pressEscape();
    EXPECT_TRUE(program.waitForEnd(1));
}

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
