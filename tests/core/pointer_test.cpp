// The captured pointer's rule, without a display: the turns that reports give
// and the warps they ask for, on displays that carry warps out and on those
// that drop, clamp or delay them; and where the pointer's home is on one
// monitor or several.
#include "camera/pointer_capture.h"

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
// What the display tells of a report. A device that reports the user's own
// pointer (a VNC viewer's, a nested server's host's), where it put the pointer;
// a relative device's movement since the last report.
Event byAbsolute(Event e, std::optional<PointerPoint> deviceAt = std::nullopt)
{
    const PointerPoint at = deviceAt.value_or(e.at);
    e.facts.source = PointerSource::Absolute;
    e.facts.deviceAtKnown = true;
    e.facts.deviceAtX = at.x;
    e.facts.deviceAtY = at.y;
    return e;
}
Event byRelative(Event e, std::optional<PointerPoint> moved = std::nullopt)
{
    e.facts.source = PointerSource::Follows;
    e.facts.moved = moved.has_value();
    e.facts.movedX = moved ? moved->x : 0;
    e.facts.movedY = moved ? moved->y : 0;
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
         {byAbsolute(report(155, 250, 0, 0, HOME)), byAbsolute(report(250, 250), {{155, 250}}),
          byAbsolute(report(160, 250, -5, 0)), byAbsolute(report(165, 250, -5, 0)),
          byAbsolute(report(165, 350, 0, -100)), byAbsolute(report(250, 250, -85, 100)),
          byAbsolute(report(250, 250)), enter(), byAbsolute(report(0, 300, 0, 0, HOME)),
          byAbsolute(report(250, 250), {{0, 300}}), byAbsolute(report(40, 300, -40, 0))}},
        {"a viewer that moves the user's pointer to the warp's target too: warps hold, turns count from home",
         ONE, CENTRED,
         {byAbsolute(report(155, 250, 0, 0, HOME)), byAbsolute(report(250, 250), {{155, 250}}),
          byAbsolute(report(250, 250)), byAbsolute(report(260, 250, -10, 0, HOME)),
          byAbsolute(report(250, 250)), byAbsolute(report(250, 240, 0, 10, HOME))}},
        {"reports queued before that warp count from where the device put the pointer",
         ONE, CENTRED,
         {byAbsolute(report(100, 250, 0, 0, HOME)), byAbsolute(report(110, 250, -10, 0, HOME)),
          byAbsolute(report(250, 250), {{110, 250}}), byAbsolute(report(120, 250, -10, 0)),
          byAbsolute(report(120, 250))}},
        {"a warp carried out by turning to relative motion (XWayland): held at the centre as on a local display",
         ONE, CENTRED,
         {byAbsolute(report(0, 250, 0, 0, HOME)), byAbsolute(report(250, 250), {{0, 250}}),
          byRelative(report(290, 250, -40, 0, HOME), {{40, 0}}), byRelative(report(250, 250)),
          byRelative(report(250, 210, 0, 40, HOME), {{0, -40}}), byRelative(report(250, 250))}},
        {"warps dropped, a relative device: a move that ends on the home pixel turns by its length",
         ONE, CENTRED,
         {byRelative(report(300, 250, 0, 0, HOME), {{50, 0}}), byRelative(report(340, 250, -40, 0, HOME), {{40, 0}}),
          byRelative(report(250, 250, 90, 0), {{-90, 0}}), byRelative(report(260, 250, -10, 0, HOME), {{10, 0}})}},
        {"the same where the display tells nothing: the home pixel is taken for the warp, as positions alone say",
         ONE, CENTRED,
         {report(300, 250, 0, 0, HOME), report(340, 250, -40, 0, HOME), report(250, 250),
          report(260, 250, -10, 0, HOME)}},
        {"a local display: the warp's report is known even when a later movement has already arrived",
         ONE, CENTRED,
         {byRelative(report(250, 250)), byRelative(report(260, 250, -10, 0, HOME), {{10, 0}}),
          byRelative(report(250, 250), {{3, 0}}), byRelative(report(253, 250, -3, 0, HOME)),
          byRelative(report(250, 250))}},
    };
    play(std::begin(scenarios), std::end(scenarios));
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
