// The wave step as a loadable module: wave/field.cpp, wave/source.cpp and
// common/clock.cpp are compiled into it by whichever compiler builds it, and
// only the functions below are visible outside, so two modules loaded into one
// process each step their own field.
#include "bench/step_module.h"

#include "tests/support/driven_clock.h"
#include "wave/field.h"
#include "wave/source.h"

#include <cstring>

#define MAREL_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

constexpr int STEPS_PER_MILLI = 16;  // about what the demo manages while it draws

struct FieldSnapshot {
    Grid height;
    Grid velocity;
    Vec3 normal[GRID_SIZE][GRID_SIZE];
    int32_t clockMillis;
};

FieldSnapshot kept;
// Drives processMillis() for as long as the module is loaded: the source reads
// this clock, never the wall clock, so runs are repeatable.
DrivenClock clock(0);

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
    clock.set(0);
    clearHeights();
    clearVelocities();
    for (auto& row : normal) {
        for (Vec3& n : row) {
            n = Vec3{};
        }
    }
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

MAREL_EXPORT void marelStepRestore()
{
    std::memcpy(height, kept.height, sizeof height);
    std::memcpy(velocity, kept.velocity, sizeof velocity);
    std::memcpy(normal, kept.normal, sizeof normal);
    clock.set(kept.clockMillis);
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
