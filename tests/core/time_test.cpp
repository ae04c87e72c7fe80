// The process clock (wall-clock milliseconds, the test hook, differences
// across the 32-bit wrap) and the frame-rate counter's one-second windows.
#include "common/clock.h"

#include "overlay/frame_rate_counter.h"
#include "tests/support/driven_clock.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <initializer_list>
#include <limits>
#include <thread>

namespace {

constexpr int32_t INT32_TOP = std::numeric_limits<int32_t>::max();
constexpr int32_t INT32_BOTTOM = std::numeric_limits<int32_t>::min();

TEST(Clock, CountsWallClockMillisecondsUnlessDriven)
{
    // A 50 ms sleep is about 50 ticks, not 50000 (microseconds) or 0 (seconds).
    const int32_t before = processMillis();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    const int32_t slept = millisBetween(before, processMillis());
    EXPECT_GE(slept, 40);
    EXPECT_LE(slept, 1000);
    {
        DrivenClock clock(INT32_TOP - 1);
        EXPECT_EQ(processMillis(), INT32_TOP - 1);
        clock.advance(3);
        EXPECT_EQ(processMillis(), INT32_BOTTOM + 1);
    }
    EXPECT_LE(millisBetween(before, processMillis()), 1000) << "released: back on the wall clock";
}

TEST(Clock, DifferencesSurviveTheWrap)
{
    EXPECT_EQ(millisBetween(INT32_TOP - 5, INT32_BOTTOM + 4), 10);
    EXPECT_EQ(millisBetween(INT32_TOP, INT32_BOTTOM), 1);
    EXPECT_EQ(millisBetween(INT32_BOTTOM + 4, INT32_TOP - 5), -10);
    EXPECT_EQ(millisBetween(1000, 940), -60);
}

class FrameRate : public ::testing::Test {
protected:
    // Counts one frame at each of `millis` after `base`, across the wrap if need be.
    void framesAt(std::initializer_list<int32_t> millis)
    {
        for (int32_t ms : millis) {
            clock.set(base);
            clock.advance(ms);
            counter.countFrame();
        }
    }

    int32_t base = 3000;  // the window starts at the first frame, not at 0
    DrivenClock clock{0};
    FrameRateCounter counter;
};

TEST_F(FrameRate, WindowClosesOnlyAfterMoreThanOneSecondAndTheNextStartsThere)
{
    framesAt({0, 400, 800, 1000});
    EXPECT_EQ(counter.framesPerSecond, 0) << "exactly 1000 ms stays in the window";
    framesAt({1001});
    EXPECT_EQ(counter.framesPerSecond, 5);

    counter = FrameRateCounter{};
    framesAt({0, 400, 800, 1200});
    EXPECT_EQ(counter.framesPerSecond, 4) << "the closing frame counts in its own figure";
    framesAt({1700, 2200});
    EXPECT_EQ(counter.framesPerSecond, 4) << "the next window runs from 1200 ms";
    framesAt({2201});
    EXPECT_EQ(counter.framesPerSecond, 3);
}

TEST_F(FrameRate, WindowSpanningTheClockWrapBehaves)
{
    base = INT32_TOP - 300;
    framesAt({0, 299, 301, 1000});
    EXPECT_EQ(counter.framesPerSecond, 0);
    framesAt({1001});
    EXPECT_EQ(counter.framesPerSecond, 5);
}

}  // namespace
