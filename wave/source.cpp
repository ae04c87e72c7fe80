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
}  // namespace

void applySource()
{
    if (!sourceStarted) {
        sourceStartTime = processMillis();
        sourceStarted = true;
    }
    // One half period of the sine, timed by the wall clock rather than by the
    // step count: the pulse lasts pi / 0.01 ms whatever the step rate.
    const double t = millisBetween(sourceStartTime, processMillis()) * SOURCE_PHASE_PER_MILLI;
    const float sourceHeight = t < PI ? static_cast<float>(std::sin(t)) : 0.0f;

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
}
