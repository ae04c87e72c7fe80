// Runs the built program in a private X server and drives it the way a person
// would: real XTEST input through xdotool, window state read back through Xlib.
#pragma once

#include "tests/support/xvfb.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <sys/types.h>

// A picture of a window, rows from the top, one 0xRRGGBB value per pixel.
struct Screenshot {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;

    struct Rgb {
        int r;
        int g;
        int b;
    };
    struct Box {
        int left;
        int top;
        int right;   // exclusive
        int bottom;  // exclusive
        bool empty() const { return right <= left || bottom <= top; }
    };

    Rgb at(int x, int y) const;
    bool valid() const { return width > 0 && height > 0; }
    // Counts the pixels inside `box` (clipped to the picture) for which
    // `test` holds.
    template <typename Test>
    int count(const Box& box, Test test) const
    {
        int n = 0;
        forEach(box, [&](int, int, Rgb c) { n += test(c) ? 1 : 0; });
        return n;
    }
    // The smallest box holding every pixel of `box` for which `test` holds;
    // empty when there is none.
    template <typename Test>
    Box bounds(const Box& box, Test test) const
    {
        Box b{width, height, 0, 0};
        forEach(box, [&](int x, int y, Rgb c) {
            if (test(c)) {
                b.left = x < b.left ? x : b.left;
                b.top = y < b.top ? y : b.top;
                b.right = x + 1 > b.right ? x + 1 : b.right;
                b.bottom = y + 1 > b.bottom ? y + 1 : b.bottom;
            }
        });
        return b;
    }
    // Writes a binary PPM, for a person to look at.
    bool savePpm(const std::string& path) const;
    // Saves the picture as NAME.ppm in the directory named by MAREL_E2E_SHOTS,
    // when that is set; does nothing otherwise.
    void keep(const std::string& name) const;

private:
    template <typename Visit>
    void forEach(const Box& box, Visit visit) const
    {
        const int left = box.left < 0 ? 0 : box.left;
        const int top = box.top < 0 ? 0 : box.top;
        const int right = box.right > width ? width : box.right;
        const int bottom = box.bottom > height ? height : box.bottom;
        for (int y = top; y < bottom; ++y) {
            for (int x = left; x < right; ++x) {
                visit(x, y, at(x, y));
            }
        }
    }
};

// Colour classes of the program's picture. The lit surface is grey to white
// (never darker than its ambient term, about 90 of 255); the axes are pure
// red, green and blue; the frame-rate figure is white.
bool isSurfaceGrey(Screenshot::Rgb c);
bool isRed(Screenshot::Rgb c);
bool isGreen(Screenshot::Rgb c);
bool isBlue(Screenshot::Rgb c);
bool isWhite(Screenshot::Rgb c);
bool isLit(Screenshot::Rgb c);  // anything but the black background
// Pixels that differ by more than `tolerance` in some channel.
int countDifferences(const Screenshot& a, const Screenshot& b, const Screenshot::Box& box, int tolerance = 8);

struct WindowGeometry {
    int x = 0;  // upper-left corner on the screen, pixels
    int y = 0;
    int width = 0;
    int height = 0;
};

// A position in pixels, on the screen or in a window as each use says.
struct Point {
    int x;
    int y;
};

struct ExitResult {
    bool exited = false;  // false: still running when the wait ended
    bool signalled = false;
    int status = 0;       // exit status, or the signal number when signalled
};

struct CommandResult {
    int status = -1;  // exit status; -1 when it did not exit normally
    std::string output;
    std::string errors;
};

class MarelProgram {
public:
    struct Options {
        int screenWidth = 1280;
        int screenHeight = 1024;
        // Run without DISPLAY at all (no server is started).
        bool withoutDisplay = false;
        // Variables set for the program on top of the inherited environment.
        std::vector<std::pair<std::string, std::string>> environment;
    };

    // Starts a private server and the program in it. The program inherits
    // this process's environment (sanitizer options included), with DISPLAY
    // pointing at the private server. Throws std::runtime_error on failure.
    MarelProgram();
    explicit MarelProgram(const Options& options);
    // Kills the program if it still runs, then the server. Reports a test
    // failure if the program's stderr holds a sanitizer report.
    ~MarelProgram();
    MarelProgram(const MarelProgram&) = delete;
    MarelProgram& operator=(const MarelProgram&) = delete;

    pid_t pid() const { return pid_; }
    const std::string& display() const;
    bool running();

    // Polls for the program's visible top-level window titled exactly
    // "Marel"; 0 when none appears in time or the program ends first.
    unsigned long waitForWindow(std::chrono::milliseconds timeout = std::chrono::seconds(15));
    unsigned long window() const { return window_; }
    // All viewable top-level windows whose title is exactly "Marel".
    int countMarelWindows();
    std::string title();
    WindowGeometry geometry();
    // The pointer on the screen, in screen pixels.
    Point pointer();
    // Whether the cursor now shown has no visible pixel; empty when this
    // build cannot tell (no XFixes headers).
    std::optional<bool> cursorInvisible();
    // XGetImage of the whole window; invalid when the window is not fully on
    // the screen or no longer exists.
    Screenshot screenshot();

    // Runs xdotool with the given arguments against the private server.
    CommandResult xdotool(const std::vector<std::string>& arguments);
    // Convenience forms; each runs one xdotool process.
    void moveRelative(int dx, int dy);
    void moveTo(int screenX, int screenY);
    void buttonDown(int button);
    void buttonUp(int button);
    void key(const std::string& keysym);
    // Puts the pointer inside the window (keys go where the pointer is) and
    // presses Escape.
    void pressEscape();
    // Asks for a new window size; returns xdotool's exit status. xdotool
    // takes a size of 0 to mean "leave this side as it is".
    int resize(int width, int height);
    // Asks for a new window size straight through Xlib, 0 included; returns
    // the X error code (0 when the server accepted it).
    int requestSize(int width, int height);

    // From now on the pointer-motion events that the server delivers on the
    // program's window are also recorded here. False when this build cannot
    // watch them (no XInput 2 headers).
    bool watchPointerMotion();
    // Waits `settle`, then returns the motion events recorded since the last
    // call, in order, in window pixels.
    std::vector<Point> takePointerMotion(std::chrono::milliseconds settle = std::chrono::milliseconds(0));

    // Waits for the program to end; exited is false if it still runs.
    ExitResult waitForExit(std::chrono::milliseconds timeout);
    // Resident memory from /proc, KiB; -1 when unreadable.
    long residentKiB() const;
    // Whether the running program carries AddressSanitizer's allocator, whose
    // quarantine makes resident memory grow by design.
    bool usesAddressSanitizer() const;

    std::string standardOutput() const;
    std::string standardError() const;
    // The stderr text when it holds an AddressSanitizer, LeakSanitizer or
    // UndefinedBehaviorSanitizer report; empty otherwise.
    std::string sanitizerReport() const;

private:
    void openConnection();
    void stop();

    std::unique_ptr<XvfbServer> server_;
    std::string noDisplay_;
    std::string directory_;
    pid_t pid_ = -1;
    std::optional<ExitResult> exit_;
    void* connection_ = nullptr;  // Display*, kept opaque so Xlib's macros stay out of the tests
    unsigned long window_ = 0;
    bool watching_ = false;
    int inputOpcode_ = 0;
};

// The path of the program under test.
const char* marelProgramPath();

// Sleeps for the given time.
void sleepFor(std::chrono::milliseconds duration);
