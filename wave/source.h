// The experiment imposed on the wave field every step: a half-sine line source
// along row 0 and a barrier across row 25 with a four-cell slit.
#pragma once

#include <cstdint>

constexpr int SOURCE_ROW = 0;
constexpr int BARRIER_ROW = 25;
constexpr int BARRIER_SIDE_CELLS = 23;  // blocked columns 0-22 and 27-49; 23-26 are the slit
constexpr double SOURCE_PHASE_PER_MILLI = 0.01;  // sine phase, radians per millisecond

// processMillis() at the first call of applySource(); set once per run.
extern int32_t sourceStartTime;

// Drive row 0 with sin(t) for t < pi (about 314 ms of wall-clock time from the
// first step), then hold it at 0 for the rest of the run, however long; force
// the barrier cells' heights to 0.
void applySource();

// Test hook: forget the start time and the pulse's end, so the next
// applySource() starts the pulse again.
void restartSourceForTesting();
