// The half-sine line source on row 0 and the slit barrier on row 25, with the
// clock driven.
#include "wave/source.h"

#include "tests/core/wave_state.h"
#include "tests/support/driven_clock.h"
#include "wave/field.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

namespace {

constexpr int32_t INT32_TOP = std::numeric_limits<int32_t>::max();
constexpr int32_t INT32_BOTTOM = std::numeric_limits<int32_t>::min();
constexpr int PULSE_END_MS = 315;  // first whole millisecond with 0.01 x ms >= pi

// The source value for a whole number of elapsed milliseconds, rounded to
// float as it is stored.
float pulseAt(int32_t elapsedMs)
{
    const double t = elapsedMs * 0.01;
    return t < 3.14159265358979323846 ? static_cast<float>(std::sin(t)) : 0.0f;
}

testing::AssertionResult sourceRowIs(float expected)
{
    for (int c = 0; c < GRID_SIZE; ++c) {
        if (height[SOURCE_ROW][c] != expected || velocity[SOURCE_ROW][c] != 0.0f) {
            return testing::AssertionFailure() << "column " << c << ": height " << height[SOURCE_ROW][c]
                                               << " (expected " << expected << "), velocity "
                                               << velocity[SOURCE_ROW][c];
        }
    }
    return testing::AssertionSuccess();
}

bool isBlocked(int c)
{
    return c < 23 || c > 26;
}

testing::AssertionResult barrierIsFlat()
{
    for (int c = 0; c < GRID_SIZE; ++c) {
        if (isBlocked(c) && height[BARRIER_ROW][c] != 0.0f) {
            return testing::AssertionFailure() << "barrier height at column " << c << " is " << height[BARRIER_ROW][c];
        }
    }
    return testing::AssertionSuccess();
}

class SourceAndBarrier : public ::testing::Test {
protected:
    void SetUp() override { resetWaveState(); }
    void TearDown() override { resetWaveState(); }

    DrivenClock clock{5000};
};

TEST_F(SourceAndBarrier, RowZeroFollowsOneHalfSineThenHoldsStill)
{
    for (int32_t ms = 0; ms < PULSE_END_MS; ++ms) {
        clock.set(5000 + ms);
        stepWaves();
        ASSERT_TRUE(sourceRowIs(pulseAt(ms))) << "at " << ms << " ms";
        ASSERT_GE(height[SOURCE_ROW][0], 0.0f);
        ASSERT_LE(height[SOURCE_ROW][0], 1.0f);
        if (ms == 100) {
            // The raised source row tilts row 1's normals towards +x in the
            // same step: the normals see the imposed heights.
            for (int c = 1; c < GRID_SIZE - 1; ++c) {
                ASSERT_GT(normal[1][c].x, 0.5f) << "column " << c;
            }
        }
    }
    EXPECT_NEAR(height[SOURCE_ROW][0], 0.0016f, 0.0001f) << "the last sample of the pulse, at 314 ms";

    for (int32_t ms = PULSE_END_MS; ms < 1500; ms += 5) {
        clock.set(5000 + ms);
        stepWaves();
        ASSERT_TRUE(sourceRowIs(0.0f)) << "at " << ms << " ms";
    }
}

TEST_F(SourceAndBarrier, BarrierHoldsZeroWhileTheSlitPassesTheWave)
{
    // One step per millisecond through the pulse, then enough steps for the
    // front to cross the 25 rows to the barrier (about 3000 in all).
    float slitPeak = 0.0f;
    float barrierSpeedPeak[GRID_SIZE] = {};
    for (int step = 0; step < 3400; ++step) {
        clock.set(5000 + step);
        stepWaves();
        ASSERT_TRUE(barrierIsFlat()) << "after step " << step;
        for (int c = 0; c < GRID_SIZE; ++c) {
            if (isBlocked(c)) {
                barrierSpeedPeak[c] = std::fmax(barrierSpeedPeak[c], std::fabs(velocity[BARRIER_ROW][c]));
            } else {
                slitPeak = std::fmax(slitPeak, std::fabs(height[BARRIER_ROW][c]));
            }
        }
    }
    EXPECT_GT(slitPeak, 0.1f) << "the slit cells move freely";
    // Only the barrier's heights are clamped, not its velocities.
    for (int c = 0; c < GRID_SIZE; ++c) {
        if (isBlocked(c)) {
            EXPECT_GT(barrierSpeedPeak[c], 0.1f) << "barrier velocity at column " << c;
        }
    }

    // With the wave across the grid: the normals were computed from the
    // heights as they stand after the source and the barrier were imposed.
    static Vec3 after[GRID_SIZE][GRID_SIZE];
    std::memcpy(after, normal, sizeof after);
    computeNormals();
    EXPECT_EQ(std::memcmp(after, normal, sizeof after), 0);
    for (int c = 0; c < GRID_SIZE; ++c) {
        EXPECT_EQ(normal[0][c].z, 0.0f) << "edge normals stay (0, 0, 0)";
        EXPECT_EQ(normal[GRID_SIZE - 1][c].z, 0.0f);
    }
}

TEST_F(SourceAndBarrier, StartTimeIsTakenOnceAndPhaseSurvivesTheWrap)
{
    stepWaves();
    EXPECT_EQ(sourceStartTime, 5000);
    clock.set(5200);
    stepWaves();
    EXPECT_EQ(sourceStartTime, 5000) << "a later step does not take the start again";
    EXPECT_TRUE(sourceRowIs(static_cast<float>(std::sin(2.0))));

    resetWaveState();
    clock.set(INT32_TOP - 50);
    stepWaves();
    EXPECT_EQ(sourceStartTime, INT32_TOP - 50);
    clock.set(INT32_BOTTOM + 49);  // 100 ms later, across the wrap
    stepWaves();
    EXPECT_TRUE(sourceRowIs(static_cast<float>(std::sin(1.0))));
    // A reading below the start is not cut off: it takes sin(t) of t < 0.
    clock.set(INT32_TOP - 60);
    stepWaves();
    EXPECT_TRUE(sourceRowIs(static_cast<float>(std::sin(-0.1))));
    clock.set(INT32_BOTTOM + 264);  // 315 ms after the start
    stepWaves();
    EXPECT_TRUE(sourceRowIs(0.0f));
}

}  // namespace
