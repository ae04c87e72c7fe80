// The frame-rate counter's one-second windows, with the clock driven.
#include "overlay/frame_rate_counter.h"

#include "tests/support/driven_clock.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

namespace {

constexpr int32_t INT32_TOP = std::numeric_limits<int32_t>::max();

class FrameRate : public ::testing::Test {
protected:
    // Draws one frame at `millis` after `base`.
    void frameAt(int32_t millis)
    {
        clock.set(static_cast<int32_t>(static_cast<uint32_t>(base) + static_cast<uint32_t>(millis)));
        counter.countFrame();
    }

    int32_t base = 0;
    DrivenClock clock{0};
    FrameRateCounter counter;
};

TEST_F(FrameRate, WindowClosesOnlyAfterMoreThanOneSecond)
{
    base = 3000;  // the window starts at the first drawn frame, not at 0
    for (int32_t ms = 0; ms <= 1000; ms += 100) {
        frameAt(ms);
        ASSERT_EQ(counter.framesPerSecond, 0) << "at " << ms << " ms";
    }
    EXPECT_EQ(counter.framesThisSecond, 11) << "the frame at exactly 1000 ms stays in the window";
    frameAt(1001);
    EXPECT_EQ(counter.framesPerSecond, 12);
    EXPECT_EQ(counter.framesThisSecond, 0);
    EXPECT_EQ(counter.secondStart, 4001);
}

TEST_F(FrameRate, ClosingFrameCountsAndStartsTheNextWindow)
{
    for (int32_t ms : {0, 400, 800}) {
        frameAt(ms);
    }
    EXPECT_EQ(counter.framesPerSecond, 0);
    frameAt(1200);
    EXPECT_EQ(counter.framesPerSecond, 4) << "the closing frame is in its own figure";

    // The next window runs from 1200 ms.
    frameAt(1700);
    frameAt(2200);
    EXPECT_EQ(counter.framesPerSecond, 4);
    frameAt(2201);
    EXPECT_EQ(counter.framesPerSecond, 3);
    // The figure holds until the following window closes.
    frameAt(2300);
    EXPECT_EQ(counter.framesPerSecond, 3);
}

TEST_F(FrameRate, WindowSpanningTheClockWrapBehaves)
{
    base = INT32_TOP - 300;
    frameAt(0);
    frameAt(299);
    frameAt(301);  // the clock has wrapped to the most negative reading
    frameAt(1000);
    EXPECT_EQ(counter.framesPerSecond, 0);
    frameAt(1001);
    EXPECT_EQ(counter.framesPerSecond, 5);
    frameAt(2002);
    EXPECT_EQ(counter.framesPerSecond, 1);
}

}  // namespace
