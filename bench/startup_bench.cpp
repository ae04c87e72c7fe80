// Start-up time of the real program: from the fork of its process to the
// first swapped frame seen in its window, on a private Xvfb server. Each
// iteration starts the program afresh and ends it with a signal.
#include "tests/support/process.h"
#include "tests/support/window_pixels.h"
#include "tests/support/xvfb.h"

#include <X11/Xlib.h>
#include <benchmark/benchmark.h>

#include <chrono>
#include <csignal>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

std::unique_ptr<XvfbServer> server;

// Whether the window shows any pixel that is not black: its first frame has been swapped.
bool showsFrame(Display* display, Window window)
{
    const WindowPixels picture = readWindowPixels(display, window);
    return picture.count(Box{0, 0, picture.width, picture.height},
                         [](const Rgb& c) { return c.r != 0 || c.g != 0 || c.b != 0; }) > 0;
}

int ignoreXErrors(Display*, XErrorEvent*)
{
    return 0;  // the window may vanish or be unmapped between query and read
}

void BM_StartToFirstFrame(benchmark::State& state)
{
    Display* display = XOpenDisplay(server->display().c_str());
    if (display == nullptr) {
        state.SkipWithError("cannot open the test display");
        return;
    }
    XSetErrorHandler(ignoreXErrors);
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const pid_t pid = launch(Launch{.argv = {MAREL_PROGRAM}, .display = server->display()});
        bool seen = false;
        while (!seen && std::chrono::steady_clock::now() - start < std::chrono::seconds(20)) {
            const std::vector<unsigned long> windows = windowsTitled(display, "Marel");
            seen = !windows.empty() && showsFrame(display, windows.front());
            if (!seen) {
                std::this_thread::sleep_for(std::chrono::microseconds(500));
            }
        }
        const auto end = std::chrono::steady_clock::now();
        stop(pid, SIGTERM);
        if (!seen) {
            state.SkipWithError("no frame within 20 s");
            break;
        }
        state.SetIterationTime(std::chrono::duration<double>(end - start).count());
    }
    XCloseDisplay(display);
}
BENCHMARK(BM_StartToFirstFrame)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5)->Repetitions(3)->ReportAggregatesOnly(true);

}  // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    server = std::make_unique<XvfbServer>();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    server.reset();
    return 0;
}
