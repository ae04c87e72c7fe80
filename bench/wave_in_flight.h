// A surface with a wave in flight, as the demo has after its first second, for
// timing the step: all-zero or subnormal grids would time a different machine path.
#pragma once

#include "tests/support/driven_clock.h"

constexpr int SETTLING_STEPS = 10000;  // the pulse has crossed the barrier; no subnormals left

// Steps the field from rest through the source's pulse, `steps` steps at 16
// per millisecond of `clock`, and keeps the result. Deterministic: the same
// count gives the same field from every build of the same step.
void settleWaveInFlight(DrivenClock& clock, int steps = SETTLING_STEPS);

// Puts the field, and `clock`, back as the last settle left them.
void restoreWaveInFlight(DrivenClock& clock);
