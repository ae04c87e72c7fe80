// Puts the wave field and the source back to their start-of-run state, so that
// tests sharing these globals do not depend on their order.
#pragma once

#include "common/grid.h"
#include "common/vec3.h"
#include "wave/field.h"
#include "wave/source.h"

inline void resetWaveState()
{
    clearHeights();
    clearVelocities();
    for (auto& row : normal) {
        for (Vec3& n : row) {
            n = Vec3{};
        }
    }
    restartSourceForTesting();
}
