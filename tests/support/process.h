// Starting helper processes (X servers, the window manager, the program,
// xdotool) for tests and benchmarks, and waiting for them; a private Xvfb
// server for one test process, so tests never touch the developer's display
// and never collide with each other, optionally with a window manager on it,
// as on a desktop.
#pragma once

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <sys/types.h>

struct Launch {
    std::vector<std::string> argv;       // argv[0] is looked up on PATH
    std::optional<std::string> display{};  // DISPLAY for the child; unset when empty, inherited when absent
    std::string standardOutput = "/dev/null";  // files the child's output goes to (truncated)
    std::string standardError = "/dev/null";
    // A sanitizer run preloads its runtime into the tests; tools and servers
    // are not built for it and start without it.
    bool keepPreload = false;
};

// Starts the child with stdin from /dev/null; the rest of the environment
// passes through. Throws std::runtime_error when it cannot fork. A child that
// cannot be executed ends at once with status 127.
pid_t launch(const Launch& what);

// The child's exit status, or 128 + the signal that ended it; empty when it
// still runs after `timeout`.
std::optional<int> waitForExit(pid_t pid, std::chrono::milliseconds timeout);

// Sends `signal` and reaps the child; kills it if it has not ended 5 s later.
void stop(pid_t pid, int signal);

// Runs a tool to its end; its exit status, or -1 when it ran for 20 s and was killed.
int runTool(const Launch& what);

// The whole file; empty when it cannot be read.
std::string readFile(const std::string& path);

// A new empty folder under $TMPDIR (or /tmp) named `prefix` and six random
// characters. Throws std::runtime_error when it cannot be made.
std::string makeTempDirectory(const std::string& prefix);

// A desktop seen through another: the program runs on an inner server that
// carries out warps on its own pointer, while the user's pointer lives on the
// outer Xvfb (a VNC viewer's window, or the nested server's own window).
enum class Nested {
    Vnc,          // TigerVNC's Xvnc, seen through xtigervncviewer over a Unix socket
    Xephyr,       // Xephyr, a window of the outer server
    ScreenShare,  // an Xvfb shared by x11vnc (which moves its pointer by absolute XTest
                  // motion), seen through xtigervncviewer over a Unix socket, which passes
                  // every movement on
    XWayland,     // weston as a window of the outer server, the program in its XWayland: the
                  // user's motion reaches XWayland as Wayland pointer input. Only inside a
                  // private mount and network namespace (tests/e2e/private_namespace.sh),
                  // as weston takes the first free display from :0.
};

class XvfbServer {
public:
    // Starts `Xvfb -displayfd` with one screen of the given size and depth 24
    // and waits until it accepts connections; with `monitors` above 1, splits
    // the screen into that many RandR monitors side by side, as a desktop
    // extended onto a projector is; with `windowManager`, then starts openbox
    // on it and waits until it manages the screen. Throws std::runtime_error
    // on failure.
    // `primary` is the index of the monitor marked primary, counted from the
    // left; RandR then lists it first.
    explicit XvfbServer(int screenWidth = 1280, int screenHeight = 1024, bool windowManager = false,
                        int monitors = 1, int primary = -1);
    ~XvfbServer();
    XvfbServer(const XvfbServer&) = delete;
    XvfbServer& operator=(const XvfbServer&) = delete;

    // An outer 1600 x 1200 Xvfb with the inner 1280 x 1024 server of `kind`
    // shown on it at its top-left corner, and openbox on the inner one (weston
    // manages XWayland's windows itself). Throws std::runtime_error on failure.
    explicit XvfbServer(Nested kind);

    // ":N", suitable for DISPLAY: where the program runs.
    const std::string& display() const { return display_; }
    // Where the user's mouse is: the outer server when nested, else display().
    const std::string& userDisplay() const { return outer_ ? outer_->display() : display_; }

private:
    void startNested(Nested kind);
    void startWindowManager();
    void splitIntoMonitors(int count, int screenWidth, int screenHeight, int primary);
    void shutDown();  // what has been started, last first

    void startViewer(const std::string& socket, const std::vector<std::string>& options);

    pid_t pid_ = -1;
    pid_t windowManager_ = -1;
    pid_t viewer_ = -1;
    pid_t sharer_ = -1;  // x11vnc, or weston
    std::string display_;
    std::string directory_;                // the VNC socket's folder, or weston's runtime folder and log
    std::unique_ptr<XvfbServer> outer_;
};
