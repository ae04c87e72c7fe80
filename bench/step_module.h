// The C interface of the step module: the GL-free wave step built as a loadable
// module, once per compiler, so that one benchmark run can time the step as each
// compiler built it. Each module keeps its own field, source and clock.
#pragma once

extern "C" {

// The compiler that built the module, e.g. "GCC 12.2.0" or "clang 14.0.6".
using MarelStepCompilerFn = const char* (*)();
// Resets the field and steps it from rest through the source's pulse on a
// driven clock, `steps` steps at 16 per millisecond; keeps the result as the
// state that marelStepRestore() returns to. Deterministic: every module given
// the same count must reach the same field, bit for bit.
using MarelStepSettleFn = void (*)(int steps);
// Puts the field back to the state kept by the last settle, clock included.
using MarelStepRestoreFn = void (*)();
// Runs stepWaves() `steps` times.
using MarelStepRunFn = void (*)(int steps);
// Copies the heights, the velocities (2500 floats each) and the normals (2500
// x, y, z triples) out, for a comparison between modules.
using MarelStepReadFn = void (*)(float* heights, float* velocities, float* normals);

}  // extern "C"

// The exported names, for dlsym().
constexpr const char* MAREL_STEP_COMPILER = "marelStepCompiler";
constexpr const char* MAREL_STEP_SETTLE = "marelStepSettle";
constexpr const char* MAREL_STEP_RESTORE = "marelStepRestore";
constexpr const char* MAREL_STEP_RUN = "marelStepRun";
constexpr const char* MAREL_STEP_READ = "marelStepRead";
