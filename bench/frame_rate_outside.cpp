// Frames per second of two builds of the program, counted from outside the
// same way for both: each swap of the double buffer repaints the whole window,
// which the X server reports as one damage rectangle of the window's size. The
// program prints nothing, so this is how the Windows build under Wine and the
// native build can be compared in one run on one server.
//
//   frame_rate_outside NATIVE_PROGRAM WINE WINDOWS_PROGRAM [SECONDS [ROUNDS]]
#include "tests/support/program.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <poll.h>

#include <X11/Xlib.h>
#include <X11/extensions/Xdamage.h>

using namespace std::chrono_literals;

namespace {

constexpr auto WARM_UP = 2s;  // past the start and the first frame-rate figure

// Whole-window repaints of `window` (and of any child window that the GL
// driver draws into) during `seconds`, per second.
double countFrames(const std::string& displayName, unsigned long window, int seconds)
{
    Display* d = XOpenDisplay(displayName.c_str());
    if (d == nullptr) {
        return 0.0;
    }
    int damageEvent = 0;
    int damageError = 0;
    if (XDamageQueryExtension(d, &damageEvent, &damageError) == 0) {
        XCloseDisplay(d);
        return 0.0;
    }
    // Wine draws GL into the top-level window or into a child of it.
    std::vector<Window> watched{window};
    Window root = 0;
    Window parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    if (XQueryTree(d, window, &root, &parent, &children, &count) != 0 && children != nullptr) {
        watched.insert(watched.end(), children, children + count);
        XFree(children);
    }
    XWindowAttributes attributes{};
    XGetWindowAttributes(d, window, &attributes);
    const long wholeWindow = static_cast<long>(attributes.width) * attributes.height;
    for (Window w : watched) {
        XDamageCreate(d, w, XDamageReportRawRectangles);
    }
    XSync(d, False);

    // Per window: Wine's child reports each swap as well as its parent, and
    // the frames are those of the one that sees most, not the sum.
    std::vector<long> frames(watched.size(), 0);
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    pollfd connection{ConnectionNumber(d), POLLIN, 0};
    while (std::chrono::steady_clock::now() < end) {
        if (XPending(d) == 0) {
            poll(&connection, 1, 10);  // ms
            continue;
        }
        XEvent event;
        XNextEvent(d, &event);
        if (event.type == damageEvent + XDamageNotify) {
            const auto& notify = reinterpret_cast<const XDamageNotifyEvent&>(event);
            // A swap repaints the whole window; anything smaller is not a frame.
            const auto w = std::find(watched.begin(), watched.end(), notify.drawable);
            if (w != watched.end() && static_cast<long>(notify.area.width) * notify.area.height * 10 >= wholeWindow * 9) {
                ++frames[static_cast<std::size_t>(w - watched.begin())];
            }
        }
    }
    XCloseDisplay(d);
    return static_cast<double>(*std::max_element(frames.begin(), frames.end())) / seconds;
}

// One run of one build: started on a fresh server, warmed up, counted.
double measure(const std::string& program, const std::string& runUnder, int seconds)
{
    setenv("MAREL_PROGRAM", program.c_str(), 1);
    const auto server = std::make_shared<XvfbServer>();
    MarelProgram marel(server, runUnder);
    if (marel.waitForWindow(120s) != 1) {
        std::fprintf(stderr, "no window from %s\n%s", program.c_str(), marel.standardError().c_str());
        std::exit(1);
    }
    std::this_thread::sleep_for(WARM_UP);
    const double rate = countFrames(server->display(), marel.window(), seconds);
    marel.pressEscape();
    marel.waitForExit(10s);
    return rate;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s NATIVE_PROGRAM WINE WINDOWS_PROGRAM [SECONDS [ROUNDS]]\n", argv[0]);
        return 2;
    }
    const int seconds = argc > 4 ? std::max(1, std::atoi(argv[4])) : 10;
    const int rounds = argc > 5 ? std::max(1, std::atoi(argv[5])) : 3;
    // Alternating, so that a change in the machine's load reaches both alike.
    std::vector<double> native;
    std::vector<double> wine;
    std::vector<double> ratios;
    for (int round = 1; round <= rounds; ++round) {
        native.push_back(measure(argv[1], "", seconds));
        wine.push_back(measure(argv[3], argv[2], seconds));
        ratios.push_back(native.back() > 0 ? wine.back() / native.back() : 0.0);
        std::printf("round %d: native %.0f frames/s, Windows build under Wine %.0f frames/s, ratio %.2f\n", round,
                    native.back(), wine.back(), ratios.back());
    }
    std::printf("median over %d rounds of %d s: native %.0f frames/s, under Wine %.0f frames/s, "
                "ratio %.2f (range %.2f to %.2f)\n",
                rounds, seconds, median(native), median(wine), median(ratios),
                *std::min_element(ratios.begin(), ratios.end()), *std::max_element(ratios.begin(), ratios.end()));
    return native.back() > 0 && wine.back() > 0 ? 0 : 1;
}
