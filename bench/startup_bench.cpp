// Start-up time of the real program against a bare freeglut program's: from
// the fork of its process to the first swapped frame seen in its window, on
// one private Xvfb server. The starts are measured first, interleaved round by
// round (program, bare window, bare window drawing a lit mesh, in turn), so
// that the machine's load falls on all three alike; each benchmark then
// reports its own starts, and the run ends with the ratios of their medians.
#include "bench/ratio_reporter.h"
#include "tests/support/picture.h"
#include "tests/support/polling.h"
#include "tests/support/process.h"

#include <X11/Xlib.h>
#include <benchmark/benchmark.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int ROUNDS = 15;

struct Subject {
    std::vector<std::string> argv;
    const char* title;
    std::vector<double> seconds{};  // one start per round
    std::size_t reported = 0;
};
Subject subjects[] = {
    {{MAREL_PROGRAM}, "Marel"},
    {{BARE_WINDOW}, "bare"},
    {{BARE_WINDOW, "--lit-mesh"}, "bare"},
};

// Whether the window shows any pixel that is not black: its first frame has been swapped.
bool showsFrame(Display* display, Window window)
{
    const Picture picture = readPicture(display, window);
    return picture.count(picture.whole(), isLit) > 0;
}

int ignoreXErrors(Display*, XErrorEvent*)
{
    return 0;  // the window may vanish or be unmapped between query and read
}

// Seconds from the fork to the first frame seen; negative when none shows within 20 s.
double startToFirstFrame(Display* display, const std::string& serverName, const Subject& subject)
{
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = launch(Launch{.argv = subject.argv, .display = serverName});
    const bool seen = pollUntil(
        [&] {
            const std::vector<unsigned long> windows = windowsTitled(display, subject.title);
            return !windows.empty() && showsFrame(display, windows.front());
        },
        [](bool shown) { return shown; }, std::chrono::seconds(20), std::chrono::microseconds(500)).last;
    const auto end = std::chrono::steady_clock::now();
    stop(pid, SIGTERM);
    return seen ? std::chrono::duration<double>(end - start).count() : -1.0;
}

void report(benchmark::State& state, Subject& subject)
{
    for (auto _ : state) {
        const double seconds = subject.reported < subject.seconds.size() ? subject.seconds[subject.reported++] : -1.0;
        if (seconds < 0.0) {
            state.SkipWithError("no frame within 20 s");
            break;
        }
        state.SetIterationTime(seconds);
    }
}

void BM_ProgramStart(benchmark::State& state) { report(state, subjects[0]); }
void BM_BareWindowStart(benchmark::State& state) { report(state, subjects[1]); }
void BM_BareLitMeshStart(benchmark::State& state) { report(state, subjects[2]); }
// One start per repetition: each repetition reports the next round's start.
BENCHMARK(BM_ProgramStart)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(ROUNDS)->ReportAggregatesOnly(true);
BENCHMARK(BM_BareWindowStart)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(ROUNDS)->ReportAggregatesOnly(true);
BENCHMARK(BM_BareLitMeshStart)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(ROUNDS)->ReportAggregatesOnly(true);

}  // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    const auto server = std::make_unique<XvfbServer>();
    Display* display = XOpenDisplay(server->display().c_str());
    if (display == nullptr) {
        std::fprintf(stderr, "startup_bench: cannot open the test display\n");
        return 1;
    }
    XSetErrorHandler(ignoreXErrors);
    for (int round = 0; round < ROUNDS; ++round) {
        for (int k = 0; k < 3; ++k) {
            Subject& subject = subjects[(round + k) % 3];  // each goes first in turn
            subject.seconds.push_back(startToFirstFrame(display, server->display(), subject));
        }
    }
    XCloseDisplay(display);
    RatioReporter reporter({{"BM_ProgramStart", "BM_BareWindowStart"},
                            {"BM_ProgramStart", "BM_BareLitMeshStart"},
                            {"BM_BareLitMeshStart", "BM_BareWindowStart"}});
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const bool complete = reporter.printRatios();
    benchmark::Shutdown();
    return complete ? 0 : 1;
}
