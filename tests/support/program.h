// Runs the built program in a private X server and drives it as a person would:
// real input through xdotool, the window read back through Xlib.
#pragma once

#include "tests/support/xvfb.h"

#include <algorithm>
#include <chrono>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include <sys/types.h>

struct Rgb {
    int r, g, b;
};

struct Point {
    int x, y;
    bool operator==(const Point& other) const { return x == other.x && y == other.y; }
};
inline std::ostream& operator<<(std::ostream& out, const Point& p) { return out << '(' << p.x << ", " << p.y << ')'; }

// Window pixels; right and bottom exclusive.
struct Box {
    int left, top, right, bottom;
    bool empty() const { return right <= left || bottom <= top; }
};

// The lit surface is grey to white (never darker than its ambient term, about
// 90 of 255), the axes pure red, green and blue, the frame-rate figure white.
inline bool isGrey(Rgb c)
{
    const auto [low, high] = std::minmax({c.r, c.g, c.b});
    return low >= 60 && high - low <= 24;
}
inline bool isWhite(Rgb c) { return std::min({c.r, c.g, c.b}) >= 200; }
inline bool isRed(Rgb c) { return c.r >= 150 && c.g <= 80 && c.b <= 80; }
inline bool isGreen(Rgb c) { return c.g >= 150 && c.r <= 80 && c.b <= 80; }
inline bool isBlue(Rgb c) { return c.b >= 150 && c.r <= 80 && c.g <= 80; }

// A window's picture, rows from the top; empty when it could not be taken.
struct Screenshot {
    int width = 0, height = 0;
    std::vector<Rgb> pixels;

    Rgb at(int x, int y) const { return pixels[static_cast<size_t>(y * width + x)]; }
    Box scene() const { return Box{0, 0, width, height - 40}; }  // all above the frame-rate figure
    // The pixels of `box` for which `test` holds: how many, and the smallest box holding them.
    template <typename Test>
    int count(Box box, Test test) const
    {
        int n = 0;
        forEach(box, [&](int, int, Rgb c) { n += test(c) ? 1 : 0; });
        return n;
    }
    template <typename Test>
    Box bounds(Box box, Test test) const
    {
        Box b{width, height, 0, 0};
        forEach(box, [&](int x, int y, Rgb c) {
            if (test(c)) {
                b = Box{std::min(b.left, x), std::min(b.top, y), std::max(b.right, x + 1), std::max(b.bottom, y + 1)};
            }
        });
        return b;
    }
    // Pixels of `box` that differ from `other`'s by more than 8 in some channel.
    int differences(const Screenshot& other, Box box) const;

    template <typename Visit>
    void forEach(Box box, Visit visit) const
    {
        for (int y = std::max(box.top, 0); y < std::min(box.bottom, height); ++y) {
            for (int x = std::max(box.left, 0); x < std::min(box.right, width); ++x) {
                visit(x, y, at(x, y));
            }
        }
    }
};

// The whole file; empty when it cannot be read.
std::string readFile(const std::string& path);

class MarelProgram {
public:
    // Starts a private 1280 x 1024 server (none without a display) and the
    // program in it, which inherits this process's environment with DISPLAY
    // replaced. Throws std::runtime_error on failure.
    explicit MarelProgram(bool withDisplay = true);
    // Kills the program if it still runs; a sanitizer report on its stderr
    // fails the test.
    ~MarelProgram();
    MarelProgram(const MarelProgram&) = delete;
    MarelProgram& operator=(const MarelProgram&) = delete;

    pid_t pid() const { return pid_; }
    unsigned long window() const { return window_; }
    // Polls for visible top-level windows titled exactly "Marel" and returns
    // how many there are once one shows; 0 when none shows in time.
    int waitForWindow();
    std::string geometry();  // "WxH+X+Y", position on the screen
    Point pointer();         // screen pixels
    bool cursorInvisible();
    Screenshot screenshot();

    // Runs xdotool against the private server; returns its exit status.
    int xdotool(const std::vector<std::string>& arguments);
    void pressEscape();  // puts the pointer in the window first: keys go where it is
    // Asks the server for a new window size, 0 included; returns the X error code.
    int resize(int width, int height);

    // Records the pointer motion that the server reports on the window from now on.
    void watchMotion();
    // Waits `settle`, then returns the motion recorded since the last call, in window pixels.
    std::vector<Point> takeMotion(std::chrono::milliseconds settle);

    // The exit status once the program has ended (128 + the signal when
    // killed); empty while it still runs after `timeout`.
    std::optional<int> waitForExit(std::chrono::milliseconds timeout);
    bool running() { return !waitForExit(std::chrono::milliseconds(0)); }
    std::string standardOutput() const { return readFile(directory_ + "/stdout"); }
    std::string standardError() const { return readFile(directory_ + "/stderr"); }

private:
    std::unique_ptr<XvfbServer> server_;
    std::string directory_;
    pid_t pid_ = -1;
    std::optional<int> status_;
    void* display_ = nullptr;  // Display*, opaque so that Xlib's macros stay out of the tests
    unsigned long window_ = 0;
    int inputOpcode_ = 0;
};
