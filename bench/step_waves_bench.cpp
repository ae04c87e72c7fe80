// Cost of one simulation step, next to reference loops over the same grid, so
// that the step can be quoted as a ratio of medians measured in one run.
#include "wave/field.h"
#include "wave/source.h"

#include "bench/ratio_reporter.h"
#include "tests/support/driven_clock.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <string>
#include <utility>

namespace {

constexpr int STEPS_PER_MILLI = 16;    // about what the demo manages while it draws
constexpr int SETTLING_STEPS = 10000;  // the pulse has crossed the barrier; no subnormals left
constexpr int REPETITIONS = 15;

struct FieldSnapshot {
    Grid height;
    Grid velocity;
    Vec3 normal[GRID_SIZE][GRID_SIZE];
};

// A surface with a wave in flight, as the demo has after its first second:
// all-zero or subnormal grids would time a different machine path.
const FieldSnapshot& waveInFlight()
{
    static const FieldSnapshot snapshot = [] {
        DrivenClock clock(0);
        clearHeights();
        clearVelocities();
        restartSourceForTesting();
        for (int step = 0; step < SETTLING_STEPS; ++step) {
            clock.set(step / STEPS_PER_MILLI);
            stepWaves();
        }
        FieldSnapshot taken;
        std::memcpy(taken.height, height, sizeof height);
        std::memcpy(taken.velocity, velocity, sizeof velocity);
        std::memcpy(taken.normal, normal, sizeof normal);
        return taken;
    }();
    return snapshot;
}

void restoreWaveInFlight()
{
    const FieldSnapshot& snapshot = waveInFlight();
    std::memcpy(height, snapshot.height, sizeof height);
    std::memcpy(velocity, snapshot.velocity, sizeof velocity);
    std::memcpy(normal, snapshot.normal, sizeof normal);
}

void stepWavesBench(benchmark::State& state)
{
    // Past the pulse: the source holds row 0 at 0 and reads a fixed clock.
    DrivenClock clock(SETTLING_STEPS);
    restoreWaveInFlight();
    for (auto _ : state) {
        stepWaves();
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * GRID_CELLS);
}

// The two second-difference passes alone: the step's memory-bound part.
void laplaciansBench(benchmark::State& state)
{
    restoreWaveInFlight();
    static Grid rows;
    static Grid columns;
    for (auto _ : state) {
        laplacianAlongRows(height, rows);
        laplacianAlongColumns(height, columns);
        benchmark::DoNotOptimize(rows);
        benchmark::DoNotOptimize(columns);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * GRID_CELLS);
}

// A plain copy of one 2500-float grid: the machine's floor for touching the field.
void gridCopyBench(benchmark::State& state)
{
    restoreWaveInFlight();
    static Grid copy;
    for (auto _ : state) {
        std::memcpy(copy, height, sizeof copy);
        benchmark::DoNotOptimize(copy);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * GRID_CELLS);
}

}  // namespace

BENCHMARK(stepWavesBench)->Repetitions(REPETITIONS)->ReportAggregatesOnly(true);
BENCHMARK(laplaciansBench)->Repetitions(REPETITIONS)->ReportAggregatesOnly(true);
BENCHMARK(gridCopyBench)->Repetitions(REPETITIONS)->ReportAggregatesOnly(true);

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter({std::make_pair(std::string("stepWavesBench"), std::string("gridCopyBench")),
                            std::make_pair(std::string("stepWavesBench"), std::string("laplaciansBench"))});
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const bool complete = reporter.printRatios();
    benchmark::Shutdown();
    return complete ? 0 : 1;
}
