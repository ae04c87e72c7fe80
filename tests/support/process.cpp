// Starting and reaping helper processes; a private Xvfb server and its window manager.
#include "tests/support/process.h"

#include "tests/support/polling.h"

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <optional>
#include <poll.h>
#include <sstream>
#include <stdexcept>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

using namespace std::chrono_literals;

pid_t launch(const Launch& what)
{
    std::vector<std::string> words = what.argv;
    std::vector<char*> args;
    for (std::string& word : words) {
        args.push_back(word.data());
    }
    args.push_back(nullptr);
    const pid_t pid = fork();
    if (pid < 0) {
        throw std::runtime_error("fork failed");
    }
    if (pid == 0) {
        if (what.display) {
            if (what.display->empty()) {
                unsetenv("DISPLAY");
            } else {
                setenv("DISPLAY", what.display->c_str(), 1);
            }
        }
        if (!what.keepPreload) {
            unsetenv("LD_PRELOAD");
        }
        const int in = open("/dev/null", O_RDONLY);
        const int out = open(what.standardOutput.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int err = open(what.standardError.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (in < 0 || out < 0 || err < 0 || dup2(in, 0) < 0 || dup2(out, 1) < 0 || dup2(err, 2) < 0) {
            _exit(126);
        }
        execvp(args[0], args.data());
        _exit(127);
    }
    return pid;
}

std::optional<int> waitForExit(pid_t pid, std::chrono::milliseconds timeout)
{
    const auto ended = [pid]() -> std::optional<int> {
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) != pid) {
            return std::nullopt;
        }
        return WIFSIGNALED(status) ? 128 + WTERMSIG(status) : WEXITSTATUS(status);
    };
    return pollUntil(ended, [](const std::optional<int>& status) { return status.has_value(); }, timeout, 2ms).last;
}

void stop(pid_t pid, int signal)
{
    kill(pid, signal);
    // A helper that hangs on its way out (x11vnc sometimes does on SIGTERM)
    // must not hang the test.
    if (!waitForExit(pid, 5s)) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
}

int runTool(const Launch& what)
{
    const pid_t pid = launch(what);
    const std::optional<int> status = waitForExit(pid, 20s);
    if (!status) {
        stop(pid, SIGKILL);
    }
    return status.value_or(-1);
}

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string makeTempDirectory(const std::string& prefix)
{
    const char* tmp = std::getenv("TMPDIR");
    std::string directory = std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/" + prefix + "XXXXXX";
    if (mkdtemp(directory.data()) == nullptr) {
        throw std::runtime_error("mkdtemp failed");
    }
    return directory;
}

namespace {

// Starts an X server that writes its display number to the descriptor named
// after -displayfd once it accepts connections; returns ":N". Throws
// std::runtime_error, naming the Debian `package`, when it did not start in time.
std::string startServer(std::vector<std::string> argv, std::optional<std::string> display, pid_t& pid,
                        const std::string& package)
{
    int fds[2];
    if (pipe(fds) != 0) {
        throw std::runtime_error("pipe failed");
    }
    // The write end is inherited by the server.
    argv.insert(argv.begin() + 1, {"-displayfd", std::to_string(fds[1])});
    pid = launch(Launch{.argv = argv, .display = display});
    close(fds[1]);

    std::string number;
    pollfd pfd{fds[0], POLLIN, 0};
    while (poll(&pfd, 1, 20000) > 0) {
        char c;
        const ssize_t n = read(fds[0], &c, 1);
        if (n <= 0 || c == '\n') {
            break;
        }
        number += c;
    }
    close(fds[0]);
    if (number.empty()) {
        stop(pid, SIGTERM);
        pid = -1;
        throw std::runtime_error(argv[0] + " did not start (is the " + package + " package installed?)");
    }
    return ":" + number;
}

}  // namespace

XvfbServer::XvfbServer(int screenWidth, int screenHeight, bool windowManager, int monitors, int primary)
{
    const std::string screen = std::to_string(screenWidth) + "x" + std::to_string(screenHeight) + "x24";
    display_ = startServer({"Xvfb", "-screen", "0", screen, "-nolisten", "tcp", "-noreset"}, std::nullopt, pid_,
                           "xvfb");
    try {
        if (monitors > 1) {
            splitIntoMonitors(monitors, screenWidth, screenHeight, primary);
        }
        if (windowManager) {
            startWindowManager();
        }
    } catch (...) {
        shutDown();
        throw;
    }
}

XvfbServer::XvfbServer(Nested kind) : outer_(std::make_unique<XvfbServer>(1600, 1200))
{
    try {
        startNested(kind);
        if (kind != Nested::XWayland) {
            startWindowManager();
        }
    } catch (...) {
        shutDown();
        throw;
    }
}

namespace {

// Polls for up to 20 s until `ready()` holds, or `pid` has ended; whether it holds.
template <typename Ready>
bool readyBeforeEnd(Ready ready, pid_t pid)
{
    return pollUntil([&] { return ready(); }, [pid](bool up) { return up || waitForExit(pid, 0ms); }, 20s, 10ms)
        .last;
}

// The display that weston's log says its XWayland listens on, ":N"; empty until it says so.
std::string xwaylandDisplayIn(const std::string& log)
{
    const std::string text = readFile(log);
    const std::string marker = "xserver listening on display ";
    const std::size_t at = text.find(marker);
    if (at == std::string::npos) {
        return "";
    }
    const std::size_t from = at + marker.size();
    const std::size_t end = text.find_first_not_of(":0123456789", from);
    return text.substr(from, end == std::string::npos ? std::string::npos : end - from);
}

}  // namespace

void XvfbServer::startNested(Nested kind)
{
    const std::string& outer = outer_->display();
    if (kind == Nested::Xephyr) {
        display_ = startServer({"Xephyr", "-screen", "1280x1024", "-nolisten", "tcp", "-noreset"}, outer, pid_,
                               "xserver-xephyr");
        return;
    }
    if (kind == Nested::XWayland) {
        // weston takes the first free display from :0: outside a namespace of
        // its own it would take one that another server is about to claim.
        if (std::getenv("MAREL_PRIVATE_NAMESPACE") == nullptr) {
            throw std::runtime_error("XWayland under weston runs only in a private mount and network namespace: "
                                     "run this test through ctest, which starts it so");
        }
        directory_ = makeTempDirectory("marel-weston-");  // made 0700, as a runtime folder must be
        const std::string log = directory_ + "/weston.log";
        // No animations: while weston 14 zooms a new window in (about 0.8 s
        // in software), it takes no pointer input at all, and a movement made
        // then reaches the program late, merged into one report.
        const std::string config = directory_ + "/weston.ini";
        std::ofstream(config) << "[shell]\nanimation=none\nstartup-animation=none\nclose-animation=none\n"
                                 "focus-animation=none\n";
        sharer_ = launch(Launch{.argv = {"env", "XDG_RUNTIME_DIR=" + directory_, "weston", "--config=" + config,
                                         "--backend=x11-backend.so", "--xwayland", "--width=1280", "--height=1024",
                                         "--idle-time=0", "--log=" + log},
                                .display = outer});
        const bool listening = readyBeforeEnd([&] { return !xwaylandDisplayIn(log).empty(); }, sharer_);
        if (!listening) {
            throw std::runtime_error("weston did not start its XWayland (are the weston and xwayland packages "
                                     "installed?): " + readFile(log));
        }
        display_ = xwaylandDisplayIn(log);
        return;
    }
    // A Unix socket rather than a TCP port: nothing to choose, nothing shared.
    directory_ = makeTempDirectory("marel-vnc-");
    const std::string socket = directory_ + "/socket";
    if (kind == Nested::ScreenShare) {
        display_ = startServer({"Xvfb", "-screen", "0", "1280x1024x24", "-nolisten", "tcp", "-noreset"},
                               std::nullopt, pid_, "xvfb");
        sharer_ = launch(Launch{.argv = {"x11vnc", "-display", display_, "-unixsock", socket, "-rfbport", "0",
                                         "-nopw", "-forever", "-shared", "-quiet"},
                                .display = display_});
        struct stat info {};
        if (!readyBeforeEnd([&] { return stat(socket.c_str(), &info) == 0; }, sharer_)) {
            throw std::runtime_error("x11vnc did not share the desktop (is the x11vnc package installed?)");
        }
        // Every movement passed on as it comes, as viewers without TigerVNC's
        // rate limit (17 ms by default) do.
        startViewer(socket, {"-PointerEventInterval=0"});
        return;
    } else {
        display_ = startServer({"Xvnc", "-geometry", "1280x1024", "-depth", "24", "-SecurityTypes", "None",
                                "-rfbport", "-1", "-rfbunixpath", socket, "-nolisten", "tcp", "-noreset"},
                               std::nullopt, pid_, "tigervnc-standalone-server");
    }
    startViewer(socket, {});
}

void XvfbServer::startViewer(const std::string& socket, const std::vector<std::string>& options)
{
    const std::string& outer = outer_->display();
    std::vector<std::string> argv{"xtigervncviewer", "-SecurityTypes", "None"};
    argv.insert(argv.end(), options.begin(), options.end());
    argv.push_back(socket);
    viewer_ = launch(Launch{.argv = argv, .display = outer});
    // The viewer is up once its window shows the remote desktop.
    const bool shown = readyBeforeEnd(
        [&] {
            return runTool(Launch{.argv = {"xdotool", "search", "--onlyvisible", "--name", "TigerVNC"},
                                  .display = outer}) == 0;
        },
        viewer_);
    if (!shown) {
        throw std::runtime_error("xtigervncviewer did not show the desktop (is the tigervnc-viewer package installed?)");
    }
}

void XvfbServer::splitIntoMonitors(int count, int screenWidth, int screenHeight, int primary)
{
    // The first takes Xvfb's one output, named "screen", and so replaces the
    // monitor that spans the whole screen; the others have no output. About
    // 96 dots per inch. The monitors last because the server never resets.
    const int width = screenWidth / count;
    for (int i = 0; i < count; ++i) {
        const std::string geometry = std::to_string(width) + "/" + std::to_string(width * 254 / 960) + "x" +
                                     std::to_string(screenHeight) + "/" + std::to_string(screenHeight * 254 / 960) +
                                     "+" + std::to_string(i * width) + "+0";
        // A leading '*' marks the primary monitor.
        std::string name = i == primary ? "*" : "";
        name += "monitor-";
        name += std::to_string(i + 1);
        const int status = runTool(Launch{.argv = {"xrandr", "--setmonitor", name,
                                                   geometry, i == 0 ? "screen" : "none"},
                                          .display = display_});
        if (status != 0) {
            throw std::runtime_error("xrandr --setmonitor failed (is the x11-xserver-utils package installed?)");
        }
    }
}

void XvfbServer::startWindowManager()
{
    // openbox runs its start-up command once it manages the screen; the
    // command leaves a file behind to say so.
    const std::string directory = makeTempDirectory("marel-wm-");
    const std::string ready = directory + "/ready";
    windowManager_ = launch(Launch{.argv = {"openbox", "--startup", "touch " + ready}, .display = display_});
    struct stat info {};
    std::optional<int> ended;
    const bool started = pollUntil(
        [&] {
            ended = waitForExit(windowManager_, 0ms);
            return stat(ready.c_str(), &info) == 0;
        },
        [&](bool up) { return up || ended; }, 20s, 10ms).last;
    std::filesystem::remove_all(directory);
    if (!started || ended) {
        if (!ended) {
            stop(windowManager_, SIGTERM);
        }
        windowManager_ = -1;  // reaped
        throw std::runtime_error("openbox did not start (is the openbox package installed?)");
    }
}

XvfbServer::~XvfbServer()
{
    shutDown();
}

void XvfbServer::shutDown()
{
    if (viewer_ > 0) {
        stop(viewer_, SIGTERM);
    }
    if (windowManager_ > 0) {
        stop(windowManager_, SIGTERM);
    }
    if (sharer_ > 0) {
        stop(sharer_, SIGTERM);  // weston ends its XWayland with it
    }
    if (pid_ > 0) {
        stop(pid_, SIGTERM);
    }
    if (!directory_.empty()) {
        std::filesystem::remove_all(directory_);
    }
}
