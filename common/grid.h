// Size of the simulated height grid shared by the wave field and the drawing.
#pragma once

constexpr int GRID_SIZE = 50;                      // cells per side
constexpr int GRID_CELLS = GRID_SIZE * GRID_SIZE;  // 2500 cells, row-major [r][c]

// Where the cells lie in the world: cell [r][c] at x = r * CELL_SPACING +
// GRID_ORIGIN, y = c * CELL_SPACING + GRID_ORIGIN.
constexpr float CELL_SPACING = 0.2f;  // world units between neighbouring cells
constexpr float GRID_ORIGIN = -5.0f;  // world x of row 0 and y of column 0
