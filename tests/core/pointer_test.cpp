// The captured pointer's rule, without a display: the turns that reports give
// and the warps they ask for, on displays that carry warps out and on those
// that drop, clamp or delay them; and where the pointer's home is on one
// monitor or several.
#include "camera/pointer_capture.h"
#include "platform/x11/pointer_stream.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <optional>
#include <vector>

namespace {

constexpr WindowPlacement CENTRED{390, 262, 500, 500};  // on one 1280 x 1024 monitor
constexpr PointerPoint HOME{250, 250};

MonitorLayout layoutOf(std::initializer_list<ScreenRect> monitors, int primary = 0)
{
    MonitorLayout layout;
    for (const ScreenRect& m : monitors) {
        layout.monitors[layout.count++] = m;
    }
    layout.primary = primary;
    return layout;
}

const MonitorLayout ONE = layoutOf({{0, 0, 1280, 1024}});
// 1920 x 1080 beside 1280 x 1024, tops aligned: nothing shows x >= 1920, y >= 1024.
const MonitorLayout UNEQUAL = layoutOf({{0, 0, 1920, 1080}, {1920, 0, 1280, 1024}});

// One event and what it must give: the turn in pixels (yaw and pitch divided
// by the turning rate) and the warp, if any. A new placement before a report
// is a window moved or resized between reports.
struct Event {
    enum Kind { REPORT, ENTER } kind = REPORT;
    PointerPoint at{};
    int turnX = 0, turnY = 0;
    std::optional<PointerPoint> warp{};
    std::optional<WindowPlacement> placement{};
    PointerFacts facts{};
};
Event report(int x, int y, int turnX = 0, int turnY = 0, std::optional<PointerPoint> warp = std::nullopt)
{
    return Event{Event::REPORT, {x, y}, turnX, turnY, warp};
}
Event enter()
{
    return Event{Event::ENTER};
}
// What the display tells of a report: made by a device that reports the
// user's own pointer (a VNC viewer's, a nested server's host's), with where
// that device had put it before; by a device moving by deltas; or by no
// device (a warp, or the display placing the pointer).
Event byDevice(Event e, std::optional<PointerPoint> from = std::nullopt)
{
    e.facts.made = PointerMade::Positions;
    e.facts.deviceFromKnown = from.has_value();
    e.facts.deviceFromX = from ? from->x : 0;
    e.facts.deviceFromY = from ? from->y : 0;
    return e;
}
Event byDeltas(Event e)
{
    e.facts.made = PointerMade::Deltas;
    return e;
}
Event byDisplay(Event e)
{
    e.facts.made = PointerMade::Display;
    return e;
}
// The display's time of the movement behind the report, in milliseconds.
Event at(uint32_t time, Event e)
{
    e.facts.timeKnown = true;
    e.facts.time = time;
    return e;
}
// A display that will carry out no warp now (a browser page before capture).
Event dropping(Event e)
{
    e.facts.warpsDropped = true;
    return e;
}
Event placedThen(WindowPlacement placement, Event e)
{
    e.placement = placement;
    return e;
}

struct Scenario {
    const char* name;
    MonitorLayout monitors;
    WindowPlacement window;
    std::vector<Event> events;
};

void play(const Scenario* begin, const Scenario* end)
{
    for (const Scenario* it = begin; it != end; ++it) {
        const Scenario& s = *it;
        SCOPED_TRACE(s.name);
        PointerCapture capture;
        WindowPlacement window = s.window;
        int asked = 0;
        for (std::size_t i = 0; i < s.events.size(); ++i) {
            const Event& e = s.events[i];
            SCOPED_TRACE(testing::Message() << "event " << i << " at (" << e.at.x << ", " << e.at.y << ")");
            if (e.placement) {
                window = *e.placement;
            }
            if (e.kind == Event::ENTER) {
                capture.enter();
                continue;
            }
            const int askedBefore = asked;
            const PointerResponse r = capture.report(e.at.x, e.at.y, e.facts, s.monitors, [&] {
                ++asked;
                return window;
            });
            ASSERT_TRUE(std::isfinite(r.yaw) && std::isfinite(r.pitch));
            if (e.at.x == INT_MIN) {
                // The extreme report, from (250, 250): the movement itself, without overflow.
                EXPECT_NEAR(r.yaw, (250.0 - INT_MIN) * 0.001, 1.0);
                EXPECT_NEAR(r.pitch, (250.0 - INT_MAX) * 0.001, 1.0);
                continue;
            }
            EXPECT_EQ(r.turned, e.turnX != 0 || e.turnY != 0);
            EXPECT_FLOAT_EQ(r.yaw, static_cast<float>(e.turnX) * TURN_RATE);
            EXPECT_FLOAT_EQ(r.pitch, static_cast<float>(e.turnY) * TURN_RATE);
            EXPECT_EQ(r.warp, e.warp.has_value());
            if (r.warp && e.warp) {
                EXPECT_EQ(r.warpTo, *e.warp);
            }
            EXPECT_LE(asked - askedBefore, 1) << "the window's placement was asked for more than once";
        }
    }
}

TEST(PointerCapture, TurnsByTheMovementFromTheLastReportWhateverTheDisplayDoesWithWarps)
{
    const Scenario scenarios[] = {
        {"warps carried out: each move turns by its distance from the centre",
         ONE, CENTRED,
         {report(250, 250), report(50, 250, 200, 0, HOME), report(250, 250), report(250, 350, 0, -100, HOME),
          report(250, 250), report(250, 250), report(251, 249, -1, 1, HOME), report(250, 250)}},
        {"warps dropped: five moves of 40 px turn 200 px, and nothing at rest",
         ONE, CENTRED,
         {report(300, 250, 0, 0, HOME), report(340, 250, -40, 0, HOME), report(380, 250, -40, 0, HOME),
          report(420, 250, -40, 0, HOME), report(460, 250, -40, 0, HOME), report(499, 250, -39, 0, HOME),
          report(499, 250), report(499, 250), report(459, 250, 40, 0, HOME)}},
        {"warps late: a report queued before the warp counts from the last one, not from home",
         ONE, CENTRED,
         {report(250, 250), report(260, 250, -10, 0, HOME), report(270, 250, -10, 0, HOME), report(250, 250),
          report(250, 250), report(240, 250, 10, 0, HOME)}},
        {"warps clamped at an edge: the clamped point counts as a move once, its repeats neither turn nor warp",
         ONE, CENTRED,
         {report(250, 250), report(250, 300, 0, -50, HOME), report(250, 203, 0, 97, HOME), report(250, 203),
          report(250, 203), report(250, 213, 0, -10, HOME)}},
        {"entering turns nothing and warps home unless already there",
         ONE, CENTRED,
         {report(250, 250), report(260, 250, -10, 0, HOME), enter(), report(10, 400, 0, 0, HOME), report(250, 250),
          report(240, 250, 10, 0, HOME), enter(), report(250, 250), report(250, 260, 0, -10, HOME)}},
        {"centre where no monitor shows it: home is the middle of the largest part shown",
         UNEQUAL, WindowPlacement{1700, 800, 500, 500},
         {report(100, 100, 0, 0, PointerPoint{360, 112}), report(360, 112), report(340, 112, 20, 0, {{360, 112}}),
          report(360, 112), report(360, 112)}},
        {"moved and resized between reports: home follows, a late warp to the old home still arrives",
         ONE, CENTRED,
         {report(250, 250), report(260, 250, -10, 0, HOME),
          placedThen({390, 262, 501, 300}, report(250, 250)),
          report(240, 260, 10, -10, {{250, 150}}), report(250, 150),
          placedThen({1000, 800, 500, 500}, report(250, 140, 0, 10, {{140, 112}})), report(140, 112),
          placedThen({390, 10, 500, 500}, report(130, 112, 10, 0, HOME))}},
        {"before the first reshape the window has no home: moves turn, nothing warps",
         ONE, WindowPlacement{0, 0, 0, 0},
         {report(0, 0), report(5, 0, -5, 0), report(5, 0), report(0, 5, 5, -5)}},
        {"far outside the window (a manager's grab): the turn is the movement, no more",
         ONE, CENTRED,
         {report(250, 250), report(-30000, 40000, 30250, -39750, HOME), report(250, 250),
          report(INT_MIN, INT_MAX, 0, 0, HOME)}},
    };
    play(std::begin(scenarios), std::end(scenarios));
}

TEST(PointerCapture, WhereTheDisplayTellsWhatMovedThePointerTheTurnIsTheUsersMovement)
{
    const Scenario scenarios[] = {
        {"VNC viewer or nested server: one warp is tried and seen not to hold; every turn is the movement",
         ONE, CENTRED,
         {byDevice(report(155, 250, 0, 0, HOME)), byDisplay(report(250, 250)),
          byDevice(report(160, 250, -5, 0), {{155, 250}}), byDevice(report(165, 250, -5, 0), {{160, 250}}),
          byDevice(report(165, 350, 0, -100), {{165, 250}}), byDevice(report(250, 250, -85, 100), {{165, 350}}),
          byDevice(report(250, 250), {{250, 250}}), enter(), byDevice(report(0, 300, 0, 0, HOME), {{250, 250}}),
          byDisplay(report(250, 250)), byDevice(report(40, 300, -40, 0), {{0, 300}})}},
        {"a viewer that moves the user's pointer to the warp's target too: warps hold, turns count from home",
         ONE, CENTRED,
         {byDevice(report(155, 250, 0, 0, HOME)), byDisplay(report(250, 250)),
          byDevice(report(250, 250), {{155, 250}}), byDevice(report(260, 250, -10, 0, HOME), {{250, 250}}),
          byDisplay(report(250, 250)), byDevice(report(250, 250), {{260, 250}}),
          byDevice(report(250, 240, 0, 10, HOME), {{250, 250}}), byDisplay(report(250, 250)),
          byDevice(report(250, 250), {{250, 240}}), byDevice(report(255, 250, -5, 0, HOME), {{250, 250}}),
          byDisplay(report(250, 250)), byDevice(report(250, 250), {{255, 250}})}},
        {"a viewer that does not follow, the user's pointer moved onto the warp's target: counted once it shows",
         ONE, CENTRED,
         {byDevice(report(155, 250, 0, 0, HOME)), byDisplay(report(250, 250)),
          byDevice(report(250, 250), {{155, 250}}), byDevice(report(255, 250, -5, 0, HOME), {{250, 250}}),
          byDisplay(report(250, 250)), byDevice(report(260, 250, -100, 0), {{255, 250}}),
          byDevice(report(265, 250, -5, 0), {{260, 250}})}},
        {"the same, its next moves passed on before the warp that answers them: counted at its first move after",
         ONE, CENTRED,
         {byDevice(report(350, 250, 0, 0, HOME)), byDisplay(report(250, 250)),
          byDevice(report(250, 250), {{350, 250}}), byDevice(report(255, 250, -5, 0, HOME), {{250, 250}}),
          byDevice(report(260, 250, -5, 0, HOME), {{255, 250}}), byDisplay(report(250, 250)),
          byDisplay(report(250, 250)), byDevice(report(265, 250, 95, 0), {{260, 250}})}},
        {"the same, twice in a row: a step onto the target just after the first warp, out, and back onto it",
         ONE, CENTRED,
         {byDevice(report(249, 250, 0, 0, HOME)), byDisplay(report(250, 250)),
          byDevice(report(250, 250), {{249, 250}}), byDevice(report(450, 250, -200, 0, HOME), {{250, 250}}),
          byDisplay(report(250, 250)), byDevice(report(250, 250), {{450, 250}}),
          byDevice(report(255, 250, -5, 0, HOME), {{250, 250}}), byDisplay(report(250, 250)),
          byDevice(report(260, 250, 194, 0), {{255, 250}})}},
        {"reports queued before that warp count from where the device put the pointer",
         ONE, CENTRED,
         {byDevice(report(100, 250, 0, 0, HOME)), byDevice(report(110, 250, -10, 0, HOME), {{100, 250}}),
          byDisplay(report(250, 250)), byDevice(report(120, 250, -10, 0), {{110, 250}}),
          byDevice(report(120, 250), {{120, 250}})}},
        {"a fast absolute device: the next move may come before our warp, and each counts from the last",
         ONE, CENTRED,
         {byDevice(report(250, 250)), byDevice(report(255, 250, -5, 0, HOME), {{250, 250}}),
          byDevice(report(260, 250, -5, 0, HOME), {{255, 250}}), byDevice(report(265, 250, -5, 0, HOME), {{260, 250}}),
          byDisplay(report(250, 250)), byDevice(report(270, 250, -5, 0), {{265, 250}}),
          byDisplay(report(250, 250)), byDisplay(report(250, 250)), byDevice(report(250, 250, 20, 0), {{270, 250}})}},
        {"told nothing of where a device had put the pointer (a tablet): counted from its last report",
         ONE, CENTRED,
         {byDevice(report(100, 250, 0, 0, HOME)), byDisplay(report(250, 250)), byDevice(report(110, 250, -10, 0)),
          byDisplay(report(300, 300, -190, -50, HOME)), byDevice(report(120, 250, -10, 0))}},
        {"a warp carried out by turning to relative motion (XWayland): held at the centre as on a local display",
         ONE, CENTRED,
         {byDisplay(report(0, 250, 0, 0, HOME)), byDisplay(report(250, 250)),
          byDeltas(report(290, 250, -40, 0, HOME)), byDisplay(report(250, 250)),
          byDeltas(report(250, 210, 0, 40, HOME)), byDisplay(report(250, 250))}},
        {"XWayland's first entry: the delta of the event that brought the pointer in, at its time, turns nothing",
         ONE, CENTRED,
         {at(1000, byDisplay(report(20, 250, 0, 0, HOME))), at(1000, byDeltas(report(60, 250, 0, 0, HOME))),
          at(1010, byDisplay(report(250, 250))), at(1050, byDeltas(report(290, 250, -40, 0, HOME))),
          at(1052, byDisplay(report(250, 250))), enter(), at(2000, byDisplay(report(20, 250, 0, 0, HOME))),
          at(2001, byDeltas(report(60, 250, 0, 0, HOME))), at(2030, byDeltas(report(100, 250, -40, 0, HOME)))}},
        {"another program's warp brings the pointer in, and the user moves later: a movement like any other",
         ONE, CENTRED,
         {at(1000, byDisplay(report(20, 250, 0, 0, HOME))), at(1002, byDeltas(report(60, 250, -40, 0, HOME))),
          enter(), at(2000, byDisplay(report(20, 250, 0, 0, HOME))), at(2000, byDisplay(report(20, 250))),
          at(2000, byDeltas(report(60, 250, -40, 0, HOME)))}},
        {"a device's own entry, then a delta at the same time: a movement like any other",
         ONE, CENTRED,
         {at(1000, byDeltas(report(20, 250, 0, 0, HOME))), at(1000, byDeltas(report(60, 250, -40, 0, HOME)))}},
        {"warps dropped, a relative device: a move that ends on the home pixel turns by its length",
         ONE, CENTRED,
         {byDeltas(report(300, 250, 0, 0, HOME)), byDeltas(report(340, 250, -40, 0, HOME)),
          byDeltas(report(250, 250, 90, 0)), byDeltas(report(260, 250, -10, 0, HOME))}},
        {"the same where the display tells nothing: the home pixel is taken for the warp, as positions alone say",
         ONE, CENTRED,
         {report(300, 250, 0, 0, HOME), report(340, 250, -40, 0, HOME), report(250, 250),
          report(260, 250, -10, 0, HOME)}},
        {"a display that will carry out no warp: none is asked for, and a step onto the home pixel turns",
         ONE, CENTRED,
         {dropping(report(200, 250)), dropping(report(245, 250, -45, 0)), dropping(report(250, 250, -5, 0)),
          dropping(byDeltas(report(250, 251, 0, -1))), dropping(byDeltas(report(250, 250, 0, 1)))}},
        {"a local display: the warp's report is known even when a later movement has already arrived",
         ONE, CENTRED,
         {byDeltas(report(250, 250)), byDeltas(report(260, 250, -10, 0, HOME)), byDisplay(report(250, 250)),
          byDeltas(report(253, 250, -3, 0, HOME)), byDisplay(report(250, 250))}},
        {"two devices under one pointer, a viewer's and a mouse: each turns by its own movement",
         ONE, CENTRED,
         {byDevice(report(155, 250, 0, 0, HOME)), byDisplay(report(250, 250)),
          byDevice(report(160, 250, -5, 0), {{155, 250}}), byDeltas(report(170, 250, -10, 0, HOME)),
          byDisplay(report(250, 250)), byDeltas(report(245, 250, 5, 0, HOME)), byDisplay(report(250, 250)),
          byDevice(report(165, 250, -5, 0), {{160, 250}}), byDeltas(report(175, 250, -10, 0, HOME))}},
    };
    play(std::begin(scenarios), std::end(scenarios));
}

// The display's events as the X layer feeds them: a device's raw motion, and
// each movement the server made, in screen pixels, for a window at (391, 282).
constexpr int ORIGIN_X = 391;
constexpr int ORIGIN_Y = 282;
constexpr int XTEST = 4;  // the XTest pointer: deltas from a local tool, positions from a screen-sharing server
constexpr int VIEWER = 6; // a VNC server's pointer: where the viewer's pointer is

RawMotion rawDelta(int source, double dx, double dy, uint32_t time = 0)
{
    return RawMotion{source, time, true, true, dx, dy, dx, dy};
}
RawMotion rawAt(int source, double x, double y, uint32_t time = 0)
{
    return RawMotion{source, time, true, true, x, y, x, y};
}
PointerMove moved(int source, uint32_t time, double fromX, double toX, double y = 532.0)
{
    return PointerMove{source, time, fromX, y, toX, y, true};
}

struct Told {
    PointerMade made;
    std::optional<int> deviceFromX = std::nullopt;  // window pixels
    std::optional<uint32_t> time = std::nullopt;
};

void expectTold(PointerStream& stream, int x, const Told& told, int y = 250)
{
    SCOPED_TRACE(testing::Message() << "the report at (" << x << ", " << y << ")");
    const PointerFacts facts = stream.report(x, y, ORIGIN_X, ORIGIN_Y);
    EXPECT_EQ(facts.made, told.made);
    EXPECT_EQ(facts.deviceFromKnown, told.deviceFromX.has_value());
    if (facts.deviceFromKnown && told.deviceFromX) {
        EXPECT_EQ(facts.deviceFromX, *told.deviceFromX);
        EXPECT_EQ(facts.deviceFromY, 250);
    }
    if (told.time) {
        EXPECT_TRUE(facts.timeKnown);
        EXPECT_EQ(facts.time, *told.time);
    }
}

TEST(PointerStream, EachReportIsJudgedByTheMovementThatMadeItWhateverArrivesAroundIt)
{
    {
        SCOPED_TRACE("absolute XTest motion faster than the reports: the next move has already arrived");
        PointerStream stream;
        stream.raw(rawAt(XTEST, 641, 532));
        stream.move(moved(XTEST, 10, 3, 641));
        stream.raw(rawAt(XTEST, 646, 532));
        stream.move(moved(XTEST, 11, 641, 646));
        stream.raw(rawAt(XTEST, 651, 532, 12));
        stream.move(moved(XTEST, 12, 646, 651));
        stream.move(moved(XTEST, 13, 651, 641));  // our warp: no raw motion behind it
        expectTold(stream, 250, {PointerMade::Positions});
        expectTold(stream, 255, {PointerMade::Positions, 250});
        expectTold(stream, 260, {PointerMade::Positions, 255, 12});
        expectTold(stream, 250, {PointerMade::Display, std::nullopt, 13});
        // A report with no movement behind it (Xephyr makes none for a warp).
        expectTold(stream, 250, {PointerMade::Display});
        EXPECT_EQ(PointerStream{}.report(250, 250, ORIGIN_X, ORIGIN_Y).made, PointerMade::Unknown)
            << "told of no movement at all";
    }
    {
        SCOPED_TRACE("relative XTest motion, warps between, and a move onto the warp's target");
        PointerStream stream;
        stream.raw(rawDelta(XTEST, 5, 0));
        stream.move(moved(XTEST, 1, 641, 646));
        stream.move(moved(XTEST, 2, 646, 641));
        stream.raw(rawDelta(XTEST, 5, 0));
        stream.move(moved(XTEST, 3, 641, 646));
        stream.raw(rawDelta(XTEST, -5, 0));
        stream.move(moved(XTEST, 4, 646, 641));
        stream.move(moved(XTEST, 5, 641, 641));
        expectTold(stream, 255, {PointerMade::Deltas});
        expectTold(stream, 250, {PointerMade::Display});
        expectTold(stream, 255, {PointerMade::Deltas});
        expectTold(stream, 250, {PointerMade::Deltas});
        expectTold(stream, 250, {PointerMade::Display});
    }
    {
        SCOPED_TRACE("moves outside the window, never reported, are passed over; so are more than are kept");
        PointerStream stream;
        for (int i = 0; i < PointerStream::KEPT + 10; ++i) {
            stream.raw(rawDelta(XTEST, 1, 0));
            stream.move(moved(XTEST, 1, 100 + i, 101 + i));
        }
        stream.raw(rawAt(VIEWER, 700, 532));
        stream.move(moved(VIEWER, 2, 366, 700));
        expectTold(stream, 309, {PointerMade::Positions});
    }
    {
        SCOPED_TRACE("a device's move onto where our warp put the pointer makes no report: the next counts it");
        PointerStream stream;
        stream.raw(rawAt(VIEWER, 841, 532));
        stream.move(moved(VIEWER, 1, 641, 841));
        stream.move(moved(VIEWER, 2, 841, 641));  // our warp
        stream.raw(rawAt(VIEWER, 641, 532));
        stream.move(moved(VIEWER, 3, 641, 641));  // the user back onto it: nothing moved, no report
        stream.raw(rawAt(VIEWER, 646, 532));
        stream.move(moved(VIEWER, 4, 641, 646));
        expectTold(stream, 450, {PointerMade::Positions});
        expectTold(stream, 250, {PointerMade::Display});
        expectTold(stream, 255, {PointerMade::Positions, 450});
    }
    {
        SCOPED_TRACE("two devices interleaved: each raw motion goes with its own device's movement");
        PointerStream stream;
        stream.raw(rawAt(VIEWER, 700, 532));
        stream.raw(rawDelta(XTEST, 10, 0));
        stream.move(moved(VIEWER, 1, 641, 700));
        stream.move(moved(XTEST, 2, 700, 710));
        stream.move(moved(XTEST, 3, 710, 641));
        stream.raw(rawAt(VIEWER, 705, 532));
        stream.move(moved(VIEWER, 4, 641, 705));
        expectTold(stream, 309, {PointerMade::Positions});
        expectTold(stream, 319, {PointerMade::Deltas});
        expectTold(stream, 250, {PointerMade::Display});
        expectTold(stream, 314, {PointerMade::Positions, 309});
    }
    {
        SCOPED_TRACE("XWayland: a position set with no raw motion, a raw-only delta beside it, then a delta applied");
        PointerStream stream;
        constexpr int XWAYLAND = 7;
        stream.move(moved(XWAYLAND, 100, 288, 411));  // the pointer placed where it came in
        stream.raw(rawDelta(XWAYLAND, 40, 0, 100));
        stream.move(moved(XWAYLAND, 102, 411, 451));  // that event's delta, applied again, stamped later
        stream.raw(rawDelta(XWAYLAND, 40, 0, 150));   // raw only: the position beside it has none
        stream.move(moved(XWAYLAND, 150, 451, 451));
        expectTold(stream, 20, {PointerMade::Display, std::nullopt, 100});
        expectTold(stream, 60, {PointerMade::Deltas, std::nullopt, 100});
        expectTold(stream, 60, {PointerMade::Display, std::nullopt, 150});
    }
    {
        SCOPED_TRACE("a tablet, axes in its own units: its reports are its own, in order, from wherever they are");
        PointerStream stream;
        constexpr int TABLET = 9;
        stream.raw(RawMotion{TABLET, 0, true, true, 20000, 30000, 20000, 30000});
        stream.move(PointerMove{TABLET, 1, 641, 532, 20000, 30000, false});
        expectTold(stream, 137, {PointerMade::Positions}, 444);
    }
    {
        SCOPED_TRACE("forgotten devices: a raw motion from before a change is not paired with what follows");
        PointerStream stream;
        stream.raw(rawAt(VIEWER, 700, 532));
        stream.forgetDevices();
        stream.move(moved(VIEWER, 1, 641, 700));
        expectTold(stream, 309, {PointerMade::Display});
    }
}

TEST(PointerHome, TheCentreWhileAMonitorShowsItElseTheMiddleOfTheLargestPartShown)
{
    struct Case {
        const char* name;
        WindowPlacement window;
        const MonitorLayout* monitors;
        PointerPoint home;
    };
    const MonitorLayout sideBySide = layoutOf({{0, 0, 1280, 1024}, {1280, 0, 1280, 1024}});
    const MonitorLayout withEmpty = layoutOf({{0, 0, 0, 0}, {0, 0, 1280, 1024}, {300, 300, 0, 900}});
    const MonitorLayout none{};
    const Case cases[] = {
        {"centred", CENTRED, &ONE, HOME},
        {"centre on the first pixel", {-249, -249, 500, 500}, &ONE, HOME},
        {"centre on the last pixel", {1029, 773, 500, 500}, &ONE, HOME},
        {"off the left edge", {-251, 0, 500, 500}, &ONE, {375, 250}},
        {"off the right edge", {1031, 100, 500, 500}, &ONE, {124, 250}},
        {"off the top edge", {100, -251, 500, 500}, &ONE, {250, 375}},
        {"off the bottom edge", {0, 774, 500, 500}, &ONE, {250, 125}},
        {"off the bottom right corner", {1000, 800, 500, 500}, &ONE, {140, 112}},
        {"wholly off: nothing shows it", {1280, 0, 500, 500}, &ONE, HOME},
        {"larger than every monitor", {390, 262, 2000, 2000}, &ONE, {445, 381}},
        {"across the seam, centre on the second", {1031, 262, 500, 500}, &sideBySide, HOME},
        {"the unreachable corner of unequal monitors", {1700, 800, 500, 500}, &UNEQUAL, {360, 112}},
        {"monitors of no size are passed over", {1000, 800, 500, 500}, &withEmpty, {140, 112}},
        {"no monitor at all", CENTRED, &none, HOME},
    };
    for (const Case& k : cases) {
        EXPECT_EQ(pointerHome(k.window, *k.monitors), k.home) << k.name;
    }
}

TEST(PointerHome, UsableMonitorsDropEmptyOnesAndFallBackToTheWholeScreen)
{
    // RandR missing or silent: the whole screen is the one monitor.
    const MonitorLayout none = usableMonitors(MonitorLayout{}, 1280, 1024);
    ASSERT_EQ(none.count, 1);
    EXPECT_EQ(none.monitors[0].width, 1280);
    EXPECT_EQ(none.monitors[0].height, 1024);
    EXPECT_EQ(usableMonitors(MonitorLayout{}, 0, 0).count, 0);

    // A monitor of no size is dropped, and the primary keeps pointing at its own.
    const MonitorLayout some = usableMonitors(layoutOf({{0, 0, 0, 768}, {0, 0, 1024, 768}, {1024, 0, 800, 600}}, 2),
                                              1824, 768);
    ASSERT_EQ(some.count, 2);
    EXPECT_EQ(some.primary, 1);
    EXPECT_EQ(some.monitors[some.primary].x, 1024);

    // Only empty ones: as none at all. A count beyond the array is clamped.
    EXPECT_EQ(usableMonitors(layoutOf({{5, 5, 0, 0}}), 640, 480).monitors[0].width, 640);
    MonitorLayout overfull = layoutOf({{0, 0, 10, 10}});
    overfull.count = MAX_MONITORS + 5;
    EXPECT_LE(usableMonitors(overfull, 640, 480).count, MAX_MONITORS);
}

}  // namespace
