// The wave equation on the height grid: finite differences, semi-implicit Euler.
#include "wave/field.h"

#include "wave/source.h"

#include <cmath>

Grid height = {};
Grid velocity = {};
Vec3 normal[GRID_SIZE][GRID_SIZE];

// The step's loops are compiled twice, for the x86-64 baseline and for AVX2,
// and the loader picks the version the processor supports: one portable binary
// that uses eight-wide vectors where it can. FMA stays off (and contraction is
// off in the build), so both versions round every operation identically.
// The pick is made by an ifunc resolver, which needs an ELF target and glibc's
// loader (<cmath> has brought glibc's <features.h> by now); GCC and clang 14 or
// later both build the clones. Everywhere else the plain loops are built.
#if defined(__x86_64__) && defined(__ELF__) && defined(__GLIBC__) && defined(__has_attribute)
#if __has_attribute(target_clones)
#define VECTOR_CLONES __attribute__((target_clones("avx2", "default")))
#endif
#endif
#ifndef VECTOR_CLONES
#define VECTOR_CLONES
#endif

namespace {

constexpr int LAST = GRID_SIZE - 1;
constexpr int INTERIOR = GRID_SIZE - 2;  // rows or columns 1 to 48

VECTOR_CLONES void integrate(const Grid& rowsScratch, const Grid& columnsScratch)
{
    // Velocity first, then the height from the new velocity (semi-implicit
    // Euler). The step is fixed and does not follow the wall clock.
    for (int r = 0; r < GRID_SIZE; ++r) {
        for (int c = 0; c < GRID_SIZE; ++c) {
            velocity[r][c] += (columnsScratch[r][c] + rowsScratch[r][c]) * TIME_STEP * WAVE_SPEED_SQUARED;
            height[r][c] += velocity[r][c] * TIME_STEP;
        }
    }
}

VECTOR_CLONES void alongRows(const Grid& heights, Grid& out)
{
    // The missing neighbour beyond an edge is the mirror of the inner one:
    // no flux crosses the edge.
    for (int c = 0; c < GRID_SIZE; ++c) {
        out[0][c] = (heights[1][c] - heights[0][c]) * EDGE_DIFFERENCE;
    }
    for (int r = 1; r < LAST; ++r) {
        for (int c = 0; c < GRID_SIZE; ++c) {
            out[r][c] = (heights[r - 1][c] + heights[r + 1][c] - 2.0f * heights[r][c]) * INTERIOR_DIFFERENCE;
        }
    }
    for (int c = 0; c < GRID_SIZE; ++c) {
        out[LAST][c] = (heights[LAST - 1][c] - heights[LAST][c]) * EDGE_DIFFERENCE;
    }
}

VECTOR_CLONES void alongColumns(const Grid& heights, Grid& out)
{
    for (int r = 0; r < GRID_SIZE; ++r) {
        out[r][0] = (heights[r][1] - heights[r][0]) * EDGE_DIFFERENCE;
        for (int c = 1; c < LAST; ++c) {
            out[r][c] = (heights[r][c - 1] + heights[r][c + 1] - 2.0f * heights[r][c]) * INTERIOR_DIFFERENCE;
        }
        out[r][LAST] = (heights[r][LAST - 1] - heights[r][LAST]) * EDGE_DIFFERENCE;
    }
}

VECTOR_CLONES void interiorNormals()
{
    for (int r = 1; r < LAST; ++r) {
        // One row's components in separate arrays first: the square roots and
        // divisions then run on whole vectors, and only the final copy
        // interleaves them into the x, y, z layout the drawing reads.
        float xs[INTERIOR];
        float ys[INTERIOR];
        float zs[INTERIOR];
        for (int i = 0; i < INTERIOR; ++i) {
            const int c = i + 1;
            const float nx = (height[r - 1][c] - height[r + 1][c]) * NORMAL_SLOPE_FACTOR;
            const float ny = (height[r][c - 1] - height[r][c + 1]) * NORMAL_SLOPE_FACTOR;
            const float length = std::sqrt(nx * nx + ny * ny + 1.0f);
            xs[i] = nx / length;
            ys[i] = ny / length;
            zs[i] = 1.0f / length;
        }
        for (int i = 0; i < INTERIOR; ++i) {
            normal[r][i + 1] = Vec3{xs[i], ys[i], zs[i]};
        }
    }
}

}  // namespace

// The public routines are plain functions that call the clones: clang 14 gives
// a cloned function's dispatcher a name of its own, which callers in other
// files could not link to.
void laplacianAlongRows(const Grid& heights, Grid& out)
{
    alongRows(heights, out);
}

void laplacianAlongColumns(const Grid& heights, Grid& out)
{
    alongColumns(heights, out);
}

void computeNormals()
{
    interiorNormals();
}

void stepWaves()
{
    // Scratch grids live on the stack for one step: a step allocates nothing.
    Grid rowsScratch;
    Grid columnsScratch;
    alongRows(height, rowsScratch);
    alongColumns(height, columnsScratch);
    integrate(rowsScratch, columnsScratch);

    applySource();
    interiorNormals();
}

void clearHeights()
{
    for (auto& row : height) {
        for (float& h : row) {
            h = 0.0f;
        }
    }
}

void clearVelocities()
{
    for (auto& row : velocity) {
        for (float& v : row) {
            v = 0.0f;
        }
    }
}

void resetWaveFieldForTesting()
{
    clearHeights();
    clearVelocities();
    for (auto& row : normal) {
        for (Vec3& n : row) {
            n = Vec3{};
        }
    }
}
