// Cost of one simulation step, next to reference loops over the same grid, so
// that the step can be quoted as a ratio of medians measured in one run.
#include "wave/field.h"

#include "bench/ratio_reporter.h"
#include "bench/wave_in_flight.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <string>
#include <utility>

namespace {

constexpr int REPETITIONS = 15;

// Past the pulse once settled: the source holds row 0 at 0 and reads a fixed clock.
DrivenClock drivenClock(0);

void stepWavesBench(benchmark::State& state)
{
    restoreWaveInFlight(drivenClock);
    for (auto _ : state) {
        stepWaves();
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * GRID_CELLS);
}

// The two second-difference passes alone: the step's memory-bound part.
void laplaciansBench(benchmark::State& state)
{
    restoreWaveInFlight(drivenClock);
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
    restoreWaveInFlight(drivenClock);
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
    settleWaveInFlight(drivenClock);
    RatioReporter reporter({std::make_pair(std::string("stepWavesBench"), std::string("gridCopyBench")),
                            std::make_pair(std::string("stepWavesBench"), std::string("laplaciansBench"))});
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const bool complete = reporter.printRatios();
    benchmark::Shutdown();
    return complete ? 0 : 1;
}
