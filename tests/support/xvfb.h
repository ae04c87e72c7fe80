// A private Xvfb server for one test process, so tests never touch the
// developer's display and never collide with each other; optionally with a
// window manager on it, as on a desktop.
#pragma once

#include <string>
#include <sys/types.h>

class XvfbServer {
public:
    // Starts `Xvfb -displayfd` with one screen of the given size and depth 24
    // and waits until it accepts connections; with `monitors` above 1, splits
    // the screen into that many RandR monitors side by side, as a desktop
    // extended onto a projector is; with `windowManager`, then starts openbox
    // on it and waits until it manages the screen. Throws std::runtime_error
    // on failure.
    explicit XvfbServer(int screenWidth = 1280, int screenHeight = 1024, bool windowManager = false,
                        int monitors = 1);
    ~XvfbServer();
    XvfbServer(const XvfbServer&) = delete;
    XvfbServer& operator=(const XvfbServer&) = delete;

    // ":N", suitable for DISPLAY.
    const std::string& display() const { return display_; }

private:
    void startWindowManager();
    void splitIntoMonitors(int count, int screenWidth, int screenHeight);

    pid_t pid_ = -1;
    pid_t windowManager_ = -1;
    std::string display_;
};
