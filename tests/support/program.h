// Runs the built program in a private X server and drives it as a person would:
// real input through xdotool, the window read back through Xlib.
#pragma once

#include "tests/support/eye_record.h"
#include "tests/support/picture.h"
#include "tests/support/process.h"
#include "tests/support/wait.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <sys/types.h>

std::ostream& operator<<(std::ostream& out, const Eye& eye);

// Libraries the program may be started with, for the tests that measure the pointer.
struct Probes {
    bool eye = false;        // record the eye at each drawn frame, for eye()
    bool dropWarps = false;  // pointer warps do nothing, as on displays that do not carry them out
};

class MarelProgram {
public:
    static constexpr Point PARKED{3, 5};  // screen pixels, outside the window wherever it is placed

    // Starts a private 1280 x 1024 server (none without a display) and the
    // program in it, which inherits this process's environment with DISPLAY
    // replaced. The pointer is parked at PARKED first. Throws
    // std::runtime_error on failure.
    explicit MarelProgram(bool withDisplay = true);
    // Starts the program on a server that others may share (a desktop with a
    // window manager, where a second start is made), under the command prefix
    // `runUnder` if one is given (shell words, such as a valgrind command line).
    explicit MarelProgram(std::shared_ptr<XvfbServer> server, const std::string& runUnder = "", Probes probes = {});
    // Kills the program if it still runs; a sanitizer report on its stderr
    // fails the test.
    ~MarelProgram();
    MarelProgram(const MarelProgram&) = delete;
    MarelProgram& operator=(const MarelProgram&) = delete;

    pid_t pid() const { return pid_; }
    unsigned long window() const { return window_; }
    // Polls for visible top-level windows titled exactly "Marel" and returns
    // how many there are once one shows; 0 when none shows in time or the
    // program ends first.
    int waitForWindow(std::chrono::milliseconds timeout = WAIT_DEADLINE);
    // Polls the window's picture until `accept` holds for it (the accepted
    // picture goes to `shot`); fails at once if the program ends.
    template <typename Accept>
    testing::AssertionResult waitForPicture(const std::string& what, Accept accept, Picture* shot = nullptr,
                                            std::chrono::milliseconds timeout = WAIT_DEADLINE)
    {
        return whileRunning(waitFor(
            what, [this] { return screenshot(); },
            [&](const Picture& s) { return s.width > 0 && (accept(s) || !running()); }, shot, timeout));
    }
    // Waits until `frames` more frames have been drawn: the picture changes
    // with each (the waves never come to rest), so that many changes seen.
    testing::AssertionResult waitForFrames(int frames, std::chrono::milliseconds timeout = WAIT_DEADLINE);
    testing::AssertionResult waitForPointer(Point screen);  // screen pixels
    // The eye at the last drawn frame (started with the eye probe); empty before the first.
    std::optional<Eye> eye() const;
    // Waits until `frames` more frames have been drawn and returns the eye
    // then: everything sent before the call has been handled and drawn.
    testing::AssertionResult waitForEye(Eye& eye, int frames = 3);
    // Waits for the program's end and checks its exit status (128 + the signal when killed).
    testing::AssertionResult waitForEnd(int status, std::chrono::milliseconds timeout = WAIT_DEADLINE);
    Box placement();         // the window's client area on the screen
    std::string geometry();  // "WxH+X+Y", position on the screen
    Point pointer();         // screen pixels
    bool cursorInvisible();
    Picture screenshot() { return readPicture(display_, window_); }

    // Runs xdotool against the private server; returns its exit status.
    int xdotool(const std::vector<std::string>& arguments);
    void pressEscape();  // puts the pointer in the window first: keys go where it is
    // Closes the window through the window manager; returns wmctrl's status.
    int closeThroughWindowManager();
    // Asks the server for a new window size, 0 included; returns the X error code.
    int resize(int width, int height);

    // Records the pointer motion that the server reports on the window from now on.
    void watchMotion() { motion_ = std::make_unique<MotionWatcher>(server_->display(), window_); }
    // The motion recorded since the last call, in window pixels, as far as the server has delivered it.
    std::vector<Point> takeMotion() { return motion_->take(); }
    // The devices that made the motion taken so far.
    const std::vector<int>& motionSources() const { return motion_->sources(); }
    // Collects the motion reported from now on until `accept` holds for all
    // of it (which then goes to `motion`).
    template <typename Accept>
    testing::AssertionResult waitForMotion(const std::string& what, Accept accept,
                                           std::vector<Point>* motion = nullptr)
    {
        std::vector<Point> all;
        return waitFor(
            what,
            [&] {
                const std::vector<Point> more = takeMotion();
                all.insert(all.end(), more.begin(), more.end());
                return all;
            },
            accept, motion);
    }

    // The exit status once the program has ended (128 + the signal when
    // killed); empty while it still runs after `timeout`.
    std::optional<int> waitForExit(std::chrono::milliseconds timeout)
    {
        status_ = status_ ? status_ : ::waitForExit(pid_, timeout);
        return status_;
    }
    bool running() { return !waitForExit(std::chrono::milliseconds(0)); }
    std::string standardOutput() const { return readFile(directory_ + "/stdout"); }
    std::string standardError() const { return readFile(directory_ + "/stderr"); }

private:
    void parkPointer();
    // A wait's result, unless the program ended during it.
    testing::AssertionResult whileRunning(testing::AssertionResult result);

    std::shared_ptr<XvfbServer> server_;
    std::string directory_;
    pid_t pid_ = -1;
    std::optional<int> status_;
    void* display_ = nullptr;  // Display*, opaque so that Xlib's macros stay out of the tests
    unsigned long window_ = 0;
    std::unique_ptr<MotionWatcher> motion_;
};
