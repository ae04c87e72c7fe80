// The wave field's step, the half-sine line source on row 0 and the slit
// barrier on row 25, with the clock driven.
#include "wave/field.h"

#include "tests/support/driven_clock.h"
#include "wave/source.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

namespace {

constexpr int LAST = GRID_SIZE - 1;
constexpr int32_t INT32_TOP = std::numeric_limits<int32_t>::max();

bool isBarrier(int c)
{
    return c < 23 || c > 26;  // the slit is columns 23 to 26
}

// Holds when `ok(r, c)` holds for every cell; names the first cell where not.
template <typename Ok>
testing::AssertionResult everyCell(Ok ok)
{
    for (int r = 0; r < GRID_SIZE; ++r) {
        for (int c = 0; c < GRID_SIZE; ++c) {
            if (!ok(r, c)) {
                return testing::AssertionFailure() << "first at [" << r << "][" << c << "]";
            }
        }
    }
    return testing::AssertionSuccess();
}

testing::AssertionResult sourceRowIs(float expected)
{
    return everyCell([expected](int r, int c) {
        return r != SOURCE_ROW || (height[r][c] == expected && velocity[r][c] == 0.0f);
    });
}

// Relative to a few float roundings; an expected 0 must be exactly 0.
bool near(float actual, double expected)
{
    return std::fabs(actual - expected) <= std::fabs(expected) * 1e-5;
}

class Wave : public ::testing::Test {
protected:
    void SetUp() override { reset(); }
    void TearDown() override { reset(); }
    static void reset()
    {
        resetWaveFieldForTesting();
        restartSourceForTesting();
    }

    DrivenClock clock{0};
};

TEST_F(Wave, FieldAtRestStaysExactlyAtRest)
{
    // The first step reads the clock twice at the same value (sin 0 = 0); the
    // later ones come after the pulse.
    for (int step = 0; step < 20; ++step) {
        stepWaves();
        clock.set(400);
        ASSERT_TRUE(everyCell([](int r, int c) {
            const Vec3& n = normal[r][c];
            return height[r][c] == 0.0f && velocity[r][c] == 0.0f && n.x == 0.0f && n.y == 0.0f &&
                   n.z == (r % LAST == 0 || c % LAST == 0 ? 0.0f : 1.0f);  // edges are never written
        })) << "after step " << step;
    }
}

TEST_F(Wave, SingleImpulseMovesItselfAndItsFourNeighbours)
{
    stepWaves();  // takes the source's start, then the pulse is over
    clock.set(400);
    // Velocity of the neighbours at r - 1, r + 1, c - 1 and c + 1, in h: 25 h x
    // 0.003 x 0.3, twice that on an edge that counts the impulse as its mirror,
    // and 0 for a neighbour outside the grid, which is never read.
    struct Case {
        int r, c;
        double up, down, left, right;
    };
    const Case cases[] = {
        {10, 30, 0.0225, 0.0225, 0.0225, 0.0225},
        {20, 1, 0.0225, 0.0225, 0.045, 0.0225},
        {48, 48, 0.0225, 0.045, 0.0225, 0.045},
        {20, 0, 0.0225, 0.0225, 0.0, 0.0225},
        {49, 49, 0.0225, 0.0, 0.0225, 0.0},
    };
    constexpr float h = 2.5f;
    for (const Case& k : cases) {
        SCOPED_TRACE(testing::Message() << "impulse at [" << k.r << "][" << k.c << "]");
        clearHeights();
        clearVelocities();
        height[k.r][k.c] = h;
        stepWaves();
        EXPECT_TRUE(everyCell([&k](int r, int c) {
            if (r == k.r && c == k.c) {
                return near(velocity[r][c], -0.09 * h) && near(height[r][c], 0.99973 * h);
            }
            const double v = r == k.r - 1 && c == k.c   ? k.up
                             : r == k.r + 1 && c == k.c ? k.down
                             : r == k.r && c == k.c - 1 ? k.left
                             : r == k.r && c == k.c + 1 ? k.right
                                                        : 0.0;
            // The height moves with the velocity of this same step.
            return near(velocity[r][c], v * h) && near(height[r][c], v * 0.003 * h);
        }));
    }
}

TEST(Laplacian, EdgeDifferencesAreOneSided)
{
    // Height 1 at [r][c] gives -50 there and +25 on its neighbour [nr][nc]
    // towards the middle: on an edge the mirror counts that neighbour twice,
    // inside the opposite neighbour gets +25 too.
    struct Case {
        void (*laplacian)(const Grid&, Grid&);
        int r, c, nr, nc;
    };
    const Case cases[] = {
        {laplacianAlongRows, 0, 7, 1, 7}, {laplacianAlongRows, LAST, 31, LAST - 1, 31},
        {laplacianAlongRows, LAST, LAST, LAST - 1, LAST}, {laplacianAlongRows, 12, 5, 13, 5},
        {laplacianAlongColumns, 7, 0, 7, 1}, {laplacianAlongColumns, 31, LAST, 31, LAST - 1},
        {laplacianAlongColumns, 0, 0, 0, 1}, {laplacianAlongColumns, 5, 12, 5, 13},
    };
    Grid heights = {};
    Grid out;
    for (const Case& k : cases) {
        SCOPED_TRACE(testing::Message() << "height 1 at [" << k.r << "][" << k.c << "]");
        heights[k.r][k.c] = 1.0f;
        k.laplacian(heights, out);
        heights[k.r][k.c] = 0.0f;
        EXPECT_TRUE(everyCell([&](int r, int c) {
            const bool neighbour = (r == k.nr && c == k.nc) || (r == 2 * k.r - k.nr && c == 2 * k.c - k.nc);
            return out[r][c] == (r == k.r && c == k.c ? -50.0f : neighbour ? 25.0f : 0.0f);
        }));
    }
}

TEST_F(Wave, NormalsTiltAwayFromARaisedRowOrColumn)
{
    // Slopes count 25 per unit of height: ten times the true slope, deliberately.
    for (int c = 0; c < GRID_SIZE; ++c) {
        height[10][c] = 1.0f;
    }
    computeNormals();
    const float unit = std::sqrt(626.0f);
    for (int c = 1; c < LAST; ++c) {
        EXPECT_FLOAT_EQ(normal[11][c].x, 25.0f / unit) << "column " << c;
        EXPECT_FLOAT_EQ(normal[11][c].z, 1.0f / unit);
        EXPECT_FLOAT_EQ(normal[9][c].x, -25.0f / unit);
        EXPECT_EQ(normal[10][c].x, 0.0f) << "a ridge is flat along its crest";
    }
    clearHeights();
    for (int r = 0; r < GRID_SIZE; ++r) {
        height[r][20] = 0.2f;
    }
    computeNormals();
    EXPECT_FLOAT_EQ(normal[30][21].y, 5.0f / std::sqrt(26.0f));
    EXPECT_FLOAT_EQ(normal[30][19].y, -5.0f / std::sqrt(26.0f));
}

TEST_F(Wave, SourceRowFollowsOneHalfSineThenHoldsStill)
{
    for (int32_t ms = 0; ms < 1500; ms += ms < 315 ? 1 : 5) {
        clock.set(5000 + ms);
        stepWaves();
        // The pulse ends at the first whole millisecond with 0.01 ms >= pi.
        ASSERT_TRUE(sourceRowIs(ms < 315 ? static_cast<float>(std::sin(ms * 0.01)) : 0.0f)) << "at " << ms << " ms";
    }
    EXPECT_EQ(sourceStartTime, 5000) << "the start is taken once, at the first step";
}

TEST_F(Wave, BarrierHoldsZeroWhileTheSlitPassesTheWave)
{
    // One step per millisecond: about 3000 steps take the front to row 25.
    float slitPeak = 0.0f;
    float barrierSpeedPeak[GRID_SIZE] = {};
    for (int step = 0; step < 3400; ++step) {
        clock.set(step);
        stepWaves();
        for (int c = 0; c < GRID_SIZE; ++c) {
            if (isBarrier(c)) {
                ASSERT_EQ(height[BARRIER_ROW][c], 0.0f) << "column " << c << " after step " << step;
                barrierSpeedPeak[c] = std::fmax(barrierSpeedPeak[c], std::fabs(velocity[BARRIER_ROW][c]));
            } else {
                slitPeak = std::fmax(slitPeak, std::fabs(height[BARRIER_ROW][c]));
            }
        }
    }
    EXPECT_GT(slitPeak, 0.1f) << "the slit cells move freely";
    for (int c = 0; c < GRID_SIZE; ++c) {
        EXPECT_TRUE(!isBarrier(c) || barrierSpeedPeak[c] > 0.1f) << "barrier velocity clamped at column " << c;
    }
    // The normals were computed from the heights after the source and barrier.
    static Vec3 stepped[GRID_SIZE][GRID_SIZE];
    std::memcpy(stepped, normal, sizeof stepped);
    computeNormals();
    EXPECT_EQ(std::memcmp(stepped, normal, sizeof stepped), 0);
}

TEST_F(Wave, SourcePhaseSurvivesTheClockWrap)
{
    clock.set(INT32_TOP - 50);
    stepWaves();
    clock.advance(100);
    stepWaves();
    EXPECT_TRUE(sourceRowIs(static_cast<float>(std::sin(1.0))));
    clock.advance(215);
    stepWaves();
    EXPECT_TRUE(sourceRowIs(0.0f));
}

TEST_F(Wave, PulseNeverReturnsHoweverLongTheRun)
{
    // Offsets from the first step, in ms: past 2^31 the wrap-safe difference
    // reads negative, at 2^32 the readings repeat the pulse's own.
    constexpr int64_t HALF = int64_t{1} << 31;
    constexpr int64_t FULL = int64_t{1} << 32;
    const int64_t offsets[] = {HALF - 1, HALF, HALF + 1, HALF + 100, FULL - 1, FULL, FULL + 1, FULL + 100,
                               FULL + HALF + 1, 3 * FULL + 200};
    const auto reading = [](int32_t start, int64_t offset) {
        return static_cast<int32_t>(static_cast<uint32_t>(start) + static_cast<uint32_t>(offset));
    };
    for (const int32_t start : {0, 5000, INT32_TOP - 100, std::numeric_limits<int32_t>::min() + 7}) {
        SCOPED_TRACE(testing::Message() << "first step at " << start);
        reset();
        clock.set(start);
        stepWaves();
        clock.set(reading(start, 100));
        stepWaves();
        ASSERT_TRUE(sourceRowIs(static_cast<float>(std::sin(1.0))));
        clock.set(reading(start, 400));
        stepWaves();
        for (const int64_t offset : offsets) {
            clock.set(reading(start, offset));
            stepWaves();
            ASSERT_TRUE(sourceRowIs(0.0f)) << offset << " ms after the first step";
        }
    }
    // A run whose steps stall from the pulse until past 2^31 ms still ends it.
    reset();
    clock.set(INT32_TOP - 100);
    stepWaves();
    clock.set(reading(INT32_TOP - 100, HALF + 50));
    stepWaves();
    EXPECT_TRUE(sourceRowIs(0.0f));
    clock.set(reading(INT32_TOP - 100, FULL + 50));
    stepWaves();
    EXPECT_TRUE(sourceRowIs(0.0f));
}

}  // namespace
