// The process clock: wall-clock milliseconds, the test hook, and differences
// across the 32-bit wrap.
#include "common/clock.h"

#include "tests/support/driven_clock.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <limits>
#include <thread>

namespace {

constexpr int32_t INT32_TOP = std::numeric_limits<int32_t>::max();
constexpr int32_t INT32_BOTTOM = std::numeric_limits<int32_t>::min();

int32_t fixedMillis()
{
    return 123456;
}

}  // namespace

TEST(Clock, FollowsTheWallClockInMilliseconds)
{
    const int32_t before = processMillis();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    const int32_t after = processMillis();
    // Whole milliseconds: a 50 ms sleep is 50 ticks, not 50000 (microseconds)
    // or 0 (seconds); the upper bound leaves room for a loaded machine.
    EXPECT_GE(millisBetween(before, after), 40);
    EXPECT_LE(millisBetween(before, after), 1000);
}

TEST(Clock, TestHookReplacesTheWallClockUntilReleased)
{
    const int32_t wallBefore = processMillis();

    setMillisSourceForTesting(&fixedMillis);
    EXPECT_EQ(processMillis(), 123456);
    EXPECT_EQ(processMillis(), 123456);
    setMillisSourceForTesting(nullptr);

    {
        DrivenClock clock(INT32_TOP - 1);
        EXPECT_EQ(processMillis(), INT32_TOP - 1);
        clock.advance(3);
        EXPECT_EQ(processMillis(), INT32_BOTTOM + 1);
    }

    // Released: back on the wall clock, close to the reading taken before.
    const int32_t wallAfter = processMillis();
    EXPECT_GE(millisBetween(wallBefore, wallAfter), 0);
    EXPECT_LE(millisBetween(wallBefore, wallAfter), 1000);
}

TEST(Clock, DifferencesSurviveTheWrap)
{
    EXPECT_EQ(millisBetween(INT32_TOP - 5, INT32_BOTTOM + 4), 10);
    EXPECT_EQ(millisBetween(-1, 0), 1);
    EXPECT_EQ(millisBetween(INT32_TOP, INT32_BOTTOM), 1);
    // Going backwards gives a small negative difference, also across the wrap.
    EXPECT_EQ(millisBetween(INT32_BOTTOM + 4, INT32_TOP - 5), -10);
    EXPECT_EQ(millisBetween(1000, 940), -60);
    EXPECT_EQ(millisBetween(0, 0), 0);
    static_assert(millisBetween(INT32_TOP - 5, INT32_BOTTOM + 4) == 10, "usable in constant expressions");
}
