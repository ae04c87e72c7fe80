// Starting helper processes (X servers, the window manager, the program,
// xdotool) for tests and benchmarks, and waiting for them.
#pragma once

#include <chrono>
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

// Sends `signal` and reaps the child.
void stop(pid_t pid, int signal);

// Runs a tool to its end; its exit status, or -1 when it ran for 20 s and was killed.
int runTool(const Launch& what);

// A new empty folder under $TMPDIR (or /tmp) named `prefix` and six random
// characters. Throws std::runtime_error when it cannot be made.
std::string makeTempDirectory(const std::string& prefix);
