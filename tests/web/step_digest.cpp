// The wave field after the same steps under the same driven clock, printed as
// a digest of its bits and then every height's bits: built natively and as
// WebAssembly, so that scripts/web.sh can show that both builds step the
// water bit for bit alike, or where they part.
#include "support/driven_clock.h"
#include "wave/field.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace {

constexpr int STEPS = 3000;          // past the pulse and its reflections
constexpr int STEPS_PER_10_MS = 18;  // 1.8 steps per millisecond: the browser's pace at 60 Hz

uint64_t fnv1a(uint64_t hash, const void* data, std::size_t bytes)
{
    const auto* p = static_cast<const unsigned char*>(data);
    for (std::size_t i = 0; i < bytes; ++i) {
        hash = (hash ^ p[i]) * 0x100000001b3ull;
    }
    return hash;
}

}  // namespace

// With "--time": the wall-clock microseconds per step instead, and the
// step's version that ran, the field
// in flight, best of five runs of 20,000 steps.
int timeSteps()
{
    DrivenClock clock;
    constexpr int TIMED_STEPS = 20000;
    double best = 1e30;
    for (int run = 0; run < 5; ++run) {
        resetWaveFieldForTesting();
        const auto start = std::chrono::steady_clock::now();
        for (int step = 0; step < TIMED_STEPS; ++step) {
            clock.set(step * 10 / STEPS_PER_10_MS);
            stepWaves();
        }
        const std::chrono::duration<double, std::micro> spent = std::chrono::steady_clock::now() - start;
        best = std::min(best, spent.count() / TIMED_STEPS);
    }
    // Which of the step's compiled versions ran (natively: the x86-64
    // baseline or the AVX2 clone, as the processor allows).
#if defined(__EMSCRIPTEN__)
    const char* version = "WebAssembly SIMD";
#elif defined(__x86_64__) && __has_builtin(__builtin_cpu_supports)
    const char* version = __builtin_cpu_supports("avx2") ? "AVX2" : "x86-64 baseline";
#else
    const char* version = "baseline";
#endif
    std::printf("%.3f %s\n", best, version);
    return 0;
}

int main(int argc, char** argv)
{
    if (argc > 1 && std::strcmp(argv[1], "--time") == 0) {
        return timeSteps();
    }
    DrivenClock clock;
    resetWaveFieldForTesting();
    for (int step = 0; step < STEPS; ++step) {
        clock.set(step * 10 / STEPS_PER_10_MS);
        stepWaves();
    }
    uint64_t hash = 0xcbf29ce484222325ull;
    hash = fnv1a(hash, height, sizeof height);
    hash = fnv1a(hash, velocity, sizeof velocity);
    hash = fnv1a(hash, normal, sizeof normal);
    std::printf("field after %d steps: %016llx\n", STEPS, static_cast<unsigned long long>(hash));
    // Every height's bits, for finding where two builds part.
    for (int r = 0; r < GRID_SIZE; ++r) {
        for (int c = 0; c < GRID_SIZE; ++c) {
            uint32_t bits;
            std::memcpy(&bits, &height[r][c], sizeof bits);
            std::printf("%d %d %08x\n", r, c, static_cast<unsigned>(bits));
        }
    }
    return 0;
}
