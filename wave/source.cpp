// The line source and the slit barrier.
#include "wave/source.h"

#include "common/clock.h"
#include "common/grid.h"
#include "wave/field.h"

#include <cmath>

int32_t sourceStartTime = 0;

namespace {
constexpr double PI = 3.14159265358979323846;  // equals 4 * atan(1)
bool sourceStarted = false;
// Set by the first step at or past the pulse's end and never cleared: a run
// outlives the 32-bit clock (it wraps every 49.7 days, and the difference of
// two readings turns negative after 24.9), so the end is remembered rather
// than read off the clock again.
bool pulseOver = false;
}  // namespace

void applySource()
{
    if (!sourceStarted) {
        sourceStartTime = processMillis();
        sourceStarted = true;
    }
    // One half period of the sine, timed by the wall clock rather than by the
    // step count: the pulse lasts pi / 0.01 ms whatever the step rate. The
    // clock never runs backwards, so the elapsed time is taken as unsigned: a
    // difference past 2^31 ms is a long time after the start, not before it.
    float sourceHeight = 0.0f;
    if (!pulseOver) {
        const uint32_t elapsed = static_cast<uint32_t>(millisBetween(sourceStartTime, processMillis()));
        const double t = elapsed * SOURCE_PHASE_PER_MILLI;
        if (t < PI) {
            sourceHeight = static_cast<float>(std::sin(t));
        } else {
            pulseOver = true;
        }
    }

    for (int c = 0; c < GRID_SIZE; ++c) {
        velocity[SOURCE_ROW][c] = 0.0f;
    }
    for (int c = 0; c < GRID_SIZE; ++c) {
        height[SOURCE_ROW][c] = sourceHeight;
    }

    // Only the heights are clamped; the barrier cells keep whatever velocity
    // the integration gives them.
    for (int k = 0; k < BARRIER_SIDE_CELLS; ++k) {
        height[BARRIER_ROW][k] = 0.0f;
        height[BARRIER_ROW][GRID_SIZE - 1 - k] = 0.0f;
    }
}

void restartSourceForTesting()
{
    sourceStarted = false;
    pulseOver = false;
}
