// Start-up time of the real program: from the fork of its process to the
// first swapped frame seen in its window, on a private Xvfb server. Each
// iteration starts the program afresh and ends it with a signal.
#include "tests/support/xvfb.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <benchmark/benchmark.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

std::unique_ptr<XvfbServer> server;

Window findWindow(Display* display, Window parent, const char* title)
{
    Window root = 0;
    Window parentOut = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    if (XQueryTree(display, parent, &root, &parentOut, &children, &count) == 0) {
        return 0;
    }
    Window found = 0;
    for (unsigned int i = 0; i < count && found == 0; ++i) {
        char* name = nullptr;
        if (XFetchName(display, children[i], &name) != 0 && name != nullptr) {
            if (std::strcmp(name, title) == 0) {
                found = children[i];
            }
            XFree(name);
        }
        if (found == 0) {
            found = findWindow(display, children[i], title);
        }
    }
    if (children != nullptr) {
        XFree(children);
    }
    return found;
}

// Whether any pixel of the window is not black: the first frame has been swapped.
bool showsFrame(Display* display, Window window)
{
    XWindowAttributes attributes;
    if (XGetWindowAttributes(display, window, &attributes) == 0 || attributes.map_state != IsViewable) {
        return false;
    }
    XImage* image = XGetImage(display, window, 0, 0, static_cast<unsigned>(attributes.width),
                              static_cast<unsigned>(attributes.height), AllPlanes, ZPixmap);
    if (image == nullptr) {
        return false;
    }
    bool lit = false;
    for (int y = 0; y < attributes.height && !lit; y += 2) {
        for (int x = 0; x < attributes.width && !lit; x += 2) {
            lit = (XGetPixel(image, x, y) & 0xffffffu) != 0;
        }
    }
    XDestroyImage(image);
    return lit;
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
        const pid_t pid = fork();
        if (pid == 0) {
            setenv("DISPLAY", server->display().c_str(), 1);
            execl(MAREL_PROGRAM, "marel", static_cast<char*>(nullptr));
            _exit(127);
        }
        bool seen = false;
        while (!seen && std::chrono::steady_clock::now() - start < std::chrono::seconds(20)) {
            const Window window = findWindow(display, DefaultRootWindow(display), "Marel");
            seen = window != 0 && showsFrame(display, window);
            if (!seen) {
                std::this_thread::sleep_for(std::chrono::microseconds(500));
            }
        }
        const auto end = std::chrono::steady_clock::now();
        kill(pid, SIGTERM);
        waitpid(pid, nullptr, 0);
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
