// The field kept once the wave is in flight, and put back before each timing.
#include "bench/wave_in_flight.h"

#include "wave/field.h"
#include "wave/source.h"

#include <cstring>

namespace {

constexpr int STEPS_PER_MILLI = 16;  // about what the demo manages while it draws

struct FieldSnapshot {
    Grid height;
    Grid velocity;
    Vec3 normal[GRID_SIZE][GRID_SIZE];
    int32_t clockMillis;
};

FieldSnapshot kept;

}  // namespace

void settleWaveInFlight(DrivenClock& clock, int steps)
{
    clock.set(0);
    resetWaveFieldForTesting();
    restartSourceForTesting();
    for (int step = 0; step < steps; ++step) {
        clock.set(step / STEPS_PER_MILLI);
        stepWaves();
    }
    std::memcpy(kept.height, height, sizeof height);
    std::memcpy(kept.velocity, velocity, sizeof velocity);
    std::memcpy(kept.normal, normal, sizeof normal);
    kept.clockMillis = clock.get();
}

void restoreWaveInFlight(DrivenClock& clock)
{
    std::memcpy(height, kept.height, sizeof height);
    std::memcpy(velocity, kept.velocity, sizeof velocity);
    std::memcpy(normal, kept.normal, sizeof normal);
    clock.set(kept.clockMillis);
}
