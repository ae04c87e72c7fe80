// The simulated water surface: heights, vertical velocities and lighting normals
// on a GRID_SIZE x GRID_SIZE grid, and the fixed time step that advances them.
#pragma once

#include "common/grid.h"
#include "common/vec3.h"

using Grid = float[GRID_SIZE][GRID_SIZE];

constexpr float TIME_STEP = 0.003f;           // simulated seconds per step
constexpr float WAVE_SPEED_SQUARED = 0.3f;    // (world units per simulated second)^2
constexpr float INTERIOR_DIFFERENCE = 25.0f;  // 1 / 0.2^2: cells lie 0.2 world units apart
constexpr float EDGE_DIFFERENCE = 50.0f;      // 2 / 0.2^2: the mirrored neighbour counts twice
// Factor on the central differences of computeNormals(). A true slope would use
// 1 / (2 * 0.2) = 2.5; the lighting deliberately uses normals ten times steeper.
constexpr float NORMAL_SLOPE_FACTOR = 25.0f;

extern Grid height;    // surface height of each cell, world units
extern Grid velocity;  // rate of change of each height, world units per simulated second
extern Vec3 normal[GRID_SIZE][GRID_SIZE];  // unit normals; the edge entries stay (0, 0, 0)

// Advance the field by one time step: integrate, impose the source and the
// barrier, then recompute the interior normals.
void stepWaves();

// Second difference along the row index r (out[r][c] from rows r-1, r, r+1),
// with one-sided differences on rows 0 and 49.
void laplacianAlongRows(const Grid& heights, Grid& out);

// Second difference along the column index c, one-sided on columns 0 and 49.
void laplacianAlongColumns(const Grid& heights, Grid& out);

// Recompute the normals of rows and columns 1 to 48 from the heights.
void computeNormals();

void clearHeights();
void clearVelocities();

// Test hook: heights, velocities and normals all zero, as at the program's start.
void resetWaveFieldForTesting();
