// The wave step as a loadable module: wave/field.cpp, wave/source.cpp and
// common/clock.cpp are compiled into it by whichever compiler builds it, and
// only the functions below are visible outside, so two modules loaded into one
// process each step their own field.
#include "bench/step_module.h"

#include "bench/wave_in_flight.h"
#include "wave/field.h"

#include <cstring>

#define MAREL_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

// Drives processMillis() for as long as the module is loaded: the source reads
// this clock, never the wall clock, so runs are repeatable.
DrivenClock drivenClock(0);

}  // namespace

MAREL_EXPORT const char* marelStepCompiler()
{
#if defined(__clang__)
    return "clang " __clang_version__;
#elif defined(__GNUC__)
    return "GCC " __VERSION__;
#else
    return "unknown compiler";
#endif
}

MAREL_EXPORT void marelStepSettle(int steps)
{
    settleWaveInFlight(drivenClock, steps);
}

MAREL_EXPORT void marelStepRestore()
{
    restoreWaveInFlight(drivenClock);
}

MAREL_EXPORT void marelStepRun(int steps)
{
    for (int step = 0; step < steps; ++step) {
        stepWaves();
    }
}

MAREL_EXPORT void marelStepRead(float* heights, float* velocities, float* normals)
{
    std::memcpy(heights, height, sizeof height);
    std::memcpy(velocities, velocity, sizeof velocity);
    std::memcpy(normals, normal, sizeof normal);
}
