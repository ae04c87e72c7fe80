// The wave field's time step: second differences, the integration, and the
// lighting normals.
#include "wave/field.h"

#include "tests/core/wave_state.h"
#include "tests/support/driven_clock.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

namespace {

constexpr int LAST = GRID_SIZE - 1;
constexpr int INTERIOR_CELLS = (GRID_SIZE - 2) * (GRID_SIZE - 2);
constexpr int EDGE_CELLS = GRID_CELLS - INTERIOR_CELLS;  // 196

bool isEdge(int r, int c)
{
    return r == 0 || r == LAST || c == 0 || c == LAST;
}

bool isZero(const Vec3& v)
{
    return v.x == 0.0f && v.y == 0.0f && v.z == 0.0f;
}

void clearGrid(Grid& grid)
{
    for (auto& row : grid) {
        for (float& value : row) {
            value = 0.0f;
        }
    }
}

int countNonZero(const Grid& grid)
{
    int count = 0;
    for (const auto& row : grid) {
        for (float value : row) {
            count += value != 0.0f;
        }
    }
    return count;
}

// Expected values are multiples of h, a few float roundings away.
void expectNearTimes(float actual, double factor, float h, const char* what, int r, int c)
{
    const double expected = factor * h;
    EXPECT_NEAR(actual, expected, std::fabs(expected) * 1e-5) << what << " at [" << r << "][" << c << "]";
}

class WaveField : public ::testing::Test {
protected:
    void SetUp() override { resetWaveState(); }
    void TearDown() override { resetWaveState(); }

    // Takes the source's start time on a field at rest, then moves the clock
    // past the half-sine pulse, so that later steps drive row 0 with exactly 0.
    void passThePulse()
    {
        stepWaves();
        clock.advance(400);
    }

    DrivenClock clock{1000};
};

TEST_F(WaveField, StaysExactlyAtRestWithoutASource)
{
    // The first step reads the clock twice at the same value, so the source
    // value is sin(0) = 0; the later steps come after the pulse.
    for (int step = 0; step < 20; ++step) {
        stepWaves();
        if (step == 0) {
            clock.advance(400);
        }
        int moved = 0;
        int interiorUp = 0;
        int edgeZero = 0;
        for (int r = 0; r < GRID_SIZE; ++r) {
            for (int c = 0; c < GRID_SIZE; ++c) {
                moved += height[r][c] != 0.0f || velocity[r][c] != 0.0f;
                const Vec3& n = normal[r][c];
                if (isEdge(r, c)) {
                    edgeZero += isZero(n);
                } else {
                    interiorUp += n.x == 0.0f && n.y == 0.0f && n.z == 1.0f;
                }
            }
        }
        ASSERT_EQ(moved, 0) << "after step " << step;
        ASSERT_EQ(interiorUp, INTERIOR_CELLS) << "after step " << step;
        ASSERT_EQ(edgeZero, EDGE_CELLS) << "after step " << step;
    }
}

TEST_F(WaveField, SingleImpulseReachesOnlyItsNeighbours)
{
    passThePulse();
    struct Neighbour {
        int r;
        int c;
        double velocityFactor;  // times h
    };
    struct Case {
        int r;
        int c;
        std::vector<Neighbour> neighbours;
    };
    // An ordinary neighbour gains 25 h x 0.003 x 0.3 = 0.0225 h; one on an
    // edge row or column counts the impulse twice. Impulses on an edge or a
    // corner lose -0.09 h like interior ones: the mirror rule reads nothing
    // outside the grid.
    const Case cases[] = {
        {10, 30, {{9, 30, 0.0225}, {11, 30, 0.0225}, {10, 29, 0.0225}, {10, 31, 0.0225}}},
        {20, 1, {{19, 1, 0.0225}, {21, 1, 0.0225}, {20, 0, 0.045}, {20, 2, 0.0225}}},
        {30, 48, {{29, 48, 0.0225}, {31, 48, 0.0225}, {30, 47, 0.0225}, {30, 49, 0.045}}},
        {48, 40, {{47, 40, 0.0225}, {49, 40, 0.045}, {48, 39, 0.0225}, {48, 41, 0.0225}}},
        {48, 48, {{47, 48, 0.0225}, {49, 48, 0.045}, {48, 47, 0.0225}, {48, 49, 0.045}}},
        {20, 0, {{19, 0, 0.0225}, {21, 0, 0.0225}, {20, 1, 0.0225}}},
        {49, 49, {{48, 49, 0.0225}, {49, 48, 0.0225}}},
    };
    constexpr float h = 2.5f;

    for (const Case& k : cases) {
        SCOPED_TRACE(testing::Message() << "impulse at [" << k.r << "][" << k.c << "]");
        clearHeights();
        clearVelocities();
        height[k.r][k.c] = h;
        stepWaves();

        expectNearTimes(velocity[k.r][k.c], -0.09, h, "velocity", k.r, k.c);
        expectNearTimes(height[k.r][k.c], 0.99973, h, "height", k.r, k.c);
        for (const Neighbour& n : k.neighbours) {
            expectNearTimes(velocity[n.r][n.c], n.velocityFactor, h, "velocity", n.r, n.c);
            // The height moves with the velocity of this same step.
            expectNearTimes(height[n.r][n.c], n.velocityFactor * 0.003, h, "height", n.r, n.c);
        }
        int others = 0;
        for (int r = 0; r < GRID_SIZE; ++r) {
            for (int c = 0; c < GRID_SIZE; ++c) {
                const bool involved = std::abs(r - k.r) + std::abs(c - k.c) <= 1;
                others += !involved && (height[r][c] != 0.0f || velocity[r][c] != 0.0f);
            }
        }
        EXPECT_EQ(others, 0) << "cells beyond the four neighbours moved";
    }
}

// One cell of height 1 at [r][c]; `inner` is the neighbour towards the middle
// along the direction being differenced.
struct SpikeCase {
    int r;
    int c;
    int innerR;
    int innerC;
};

// An edge cell counts its one neighbour twice: (0 - 1) x 50 on the cell and
// (1 - 0) x 50 / 2 = 25 on that neighbour, which is an ordinary interior
// difference.
void expectOneSidedSpike(void (*laplacian)(const Grid&, Grid&), const SpikeCase& k)
{
    static Grid heights;
    static Grid out;
    SCOPED_TRACE(testing::Message() << "height 1 at [" << k.r << "][" << k.c << "]");
    clearGrid(heights);
    heights[k.r][k.c] = 1.0f;
    laplacian(heights, out);
    EXPECT_EQ(out[k.r][k.c], -50.0f);
    EXPECT_EQ(out[k.innerR][k.innerC], 25.0f);
    EXPECT_EQ(countNonZero(out), 2);
}

TEST(Laplacian, RowDifferencesAreOneSidedOnTheFirstAndLastRow)
{
    expectOneSidedSpike(laplacianAlongRows, {0, 7, 1, 7});
    expectOneSidedSpike(laplacianAlongRows, {0, 0, 1, 0});
    expectOneSidedSpike(laplacianAlongRows, {LAST, 31, LAST - 1, 31});
    expectOneSidedSpike(laplacianAlongRows, {LAST, LAST, LAST - 1, LAST});

    static Grid heights;
    static Grid out;
    clearGrid(heights);
    heights[12][5] = 1.0f;
    laplacianAlongRows(heights, out);
    EXPECT_EQ(out[11][5], 25.0f);
    EXPECT_EQ(out[12][5], -50.0f);
    EXPECT_EQ(out[13][5], 25.0f);
    EXPECT_EQ(countNonZero(out), 3) << "a row difference reaches only along the column";
}

TEST(Laplacian, ColumnDifferencesAreOneSidedOnTheFirstAndLastColumn)
{
    expectOneSidedSpike(laplacianAlongColumns, {7, 0, 7, 1});
    expectOneSidedSpike(laplacianAlongColumns, {0, 0, 0, 1});
    expectOneSidedSpike(laplacianAlongColumns, {31, LAST, 31, LAST - 1});
    expectOneSidedSpike(laplacianAlongColumns, {LAST, LAST, LAST, LAST - 1});

    static Grid heights;
    static Grid out;
    clearGrid(heights);
    heights[5][12] = 1.0f;
    laplacianAlongColumns(heights, out);
    EXPECT_EQ(out[5][11], 25.0f);
    EXPECT_EQ(out[5][12], -50.0f);
    EXPECT_EQ(out[5][13], 25.0f);
    EXPECT_EQ(countNonZero(out), 3) << "a column difference reaches only along the row";

    // A uniform tilt has no curvature in the interior; the one-sided edges see
    // only their single neighbour's slope.
    for (int r = 0; r < GRID_SIZE; ++r) {
        for (int c = 0; c < GRID_SIZE; ++c) {
            heights[r][c] = 0.5f * static_cast<float>(c);
        }
    }
    laplacianAlongColumns(heights, out);
    EXPECT_EQ(out[9][0], 25.0f);
    EXPECT_EQ(out[9][LAST], -25.0f);
    EXPECT_EQ(out[9][20], 0.0f);
}

TEST_F(WaveField, NormalsTiltDownhillAndAreUnitLength)
{
    // Row 10 raised: row 11 sees it behind (smaller r), so its normals lean
    // towards +x; row 9 leans towards -x. Slopes count 25 per unit of height.
    for (int c = 0; c < GRID_SIZE; ++c) {
        height[10][c] = 1.0f;
    }
    computeNormals();
    const float unit = std::sqrt(626.0f);
    for (int c = 1; c < LAST; ++c) {
        EXPECT_FLOAT_EQ(normal[11][c].x, 25.0f / unit) << "column " << c;
        EXPECT_EQ(normal[11][c].y, 0.0f);
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
    EXPECT_EQ(normal[30][21].x, 0.0f);

    // Rough heights everywhere, edges included: every interior normal is unit
    // length and points up; the edge normals are never written.
    std::mt19937 random(20240611u);
    std::uniform_real_distribution<float> heightDistribution(-2.0f, 2.0f);
    for (auto& row : height) {
        for (float& value : row) {
            value = heightDistribution(random);
        }
    }
    computeNormals();
    for (int r = 0; r < GRID_SIZE; ++r) {
        for (int c = 0; c < GRID_SIZE; ++c) {
            const Vec3& n = normal[r][c];
            if (isEdge(r, c)) {
                ASSERT_TRUE(isZero(n)) << "edge normal [" << r << "][" << c << "]";
            } else {
                ASSERT_NEAR(std::sqrt(n.x * n.x + n.y * n.y + n.z * n.z), 1.0f, 1e-6f) << "[" << r << "][" << c << "]";
                ASSERT_GT(n.z, 0.0f);
            }
        }
    }
}

}  // namespace
