// The wave step as two compilers built it, timed in one run: each step module
// (bench/step_module.cpp, built once by each compiler) is loaded into this
// process, checked to give the same field bit for bit, and timed with the
// repetitions of both interleaved at random, so that both see the same machine.
//
//   step_compilers_bench BASELINE_MODULE OTHER_MODULE [--benchmark_... flags]
//
// Prints the ratio OTHER / BASELINE of the medians. Exits with 2 if the two
// modules' fields differ, 1 if a module cannot be loaded or a figure is missing.
#include "bench/ratio_reporter.h"
#include "bench/step_module.h"
#include "bench/wave_in_flight.h"
#include "common/grid.h"

#include <benchmark/benchmark.h>
#include <dlfcn.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr int STEPS_PER_ITERATION = 1;  // figures per step, as in step_waves_bench
constexpr int REPETITIONS = 15;

struct StepModule {
    std::string path;
    std::string compiler;
    MarelStepSettleFn settle = nullptr;
    MarelStepRestoreFn restore = nullptr;
    MarelStepRunFn run = nullptr;
    MarelStepReadFn read = nullptr;
};

template <typename Fn>
bool lookUp(void* handle, const char* name, Fn& fn)
{
    fn = reinterpret_cast<Fn>(dlsym(handle, name));
    return fn != nullptr;
}

// RTLD_LOCAL: neither module's symbols can stand in for the other's.
bool load(const std::string& path, StepModule& module)
{
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        std::fprintf(stderr, "cannot load %s: %s\n", path.c_str(), dlerror());
        return false;
    }
    MarelStepCompilerFn compiler = nullptr;
    if (!lookUp(handle, MAREL_STEP_COMPILER, compiler) || !lookUp(handle, MAREL_STEP_SETTLE, module.settle) ||
        !lookUp(handle, MAREL_STEP_RESTORE, module.restore) || !lookUp(handle, MAREL_STEP_RUN, module.run) ||
        !lookUp(handle, MAREL_STEP_READ, module.read)) {
        std::fprintf(stderr, "%s is not a step module\n", path.c_str());
        return false;
    }
    module.path = path;
    module.compiler = compiler();
    while (!module.compiler.empty() && module.compiler.back() == ' ') {
        module.compiler.pop_back();  // clang's version string ends in a space
    }
    return true;
}

struct Field {
    std::vector<float> heights = std::vector<float>(GRID_CELLS);
    std::vector<float> velocities = std::vector<float>(GRID_CELLS);
    std::vector<float> normals = std::vector<float>(3 * GRID_CELLS);

    bool operator==(const Field& other) const
    {
        // Bit for bit: memcmp, not ==, which would take -0 for +0.
        return std::memcmp(heights.data(), other.heights.data(), heights.size() * sizeof(float)) == 0 &&
               std::memcmp(velocities.data(), other.velocities.data(), velocities.size() * sizeof(float)) == 0 &&
               std::memcmp(normals.data(), other.normals.data(), normals.size() * sizeof(float)) == 0;
    }
};

Field readField(const StepModule& module)
{
    Field field;
    module.read(field.heights.data(), field.velocities.data(), field.normals.data());
    return field;
}

void stepBench(benchmark::State& state, const StepModule* module)
{
    module->restore();
    for (auto _ : state) {
        module->run(STEPS_PER_ITERATION);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * STEPS_PER_ITERATION);
}

}  // namespace

int main(int argc, char** argv)
{
    // Random interleaving unless the command line says otherwise: the two
    // modules' repetitions then alternate, and a change in the machine's load
    // during the run falls on both.
    std::vector<char*> args(argv, argv + argc);
    std::string interleave = "--benchmark_enable_random_interleaving=true";
    args.insert(args.begin() + 1, interleave.data());
    int count = static_cast<int>(args.size());
    benchmark::Initialize(&count, args.data());
    if (count != 3) {
        std::fprintf(stderr, "usage: %s BASELINE_MODULE OTHER_MODULE [--benchmark_... flags]\n", argv[0]);
        return 1;
    }

    StepModule modules[2];
    if (!load(args[1], modules[0]) || !load(args[2], modules[1])) {
        return 1;
    }

    // The same steps from rest, through the pulse and the slit, in each module.
    for (StepModule& module : modules) {
        module.settle(SETTLING_STEPS);
    }
    if (!(readField(modules[0]) == readField(modules[1]))) {
        std::fprintf(stderr, "the field after %d steps differs between %s (%s) and %s (%s)\n", SETTLING_STEPS,
                     modules[0].compiler.c_str(), modules[0].path.c_str(), modules[1].compiler.c_str(),
                     modules[1].path.c_str());
        return 2;
    }
    std::printf("fields after %d steps identical bit for bit: %s and %s\n", SETTLING_STEPS,
                modules[0].compiler.c_str(), modules[1].compiler.c_str());
#if defined(__x86_64__)
    std::printf("processor has AVX2: %s\n", __builtin_cpu_supports("avx2") ? "yes" : "no");
#endif

    const std::string names[2] = {"stepWaves<" + modules[0].compiler + ">", "stepWaves<" + modules[1].compiler + ">"};
    for (int i = 0; i < 2; ++i) {
        benchmark::RegisterBenchmark(names[i].c_str(), stepBench, &modules[i])
            ->Repetitions(REPETITIONS)
            ->ReportAggregatesOnly(true);
    }
    RatioReporter reporter({std::make_pair(names[1], names[0])});
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const bool complete = reporter.printRatios();
    benchmark::Shutdown();
    return complete ? 0 : 1;
}
