// Size of the simulated height grid shared by the wave field and the drawing.
#pragma once

constexpr int GRID_SIZE = 50;                      // cells per side
constexpr int GRID_CELLS = GRID_SIZE * GRID_SIZE;  // 2500 cells, row-major [r][c]
