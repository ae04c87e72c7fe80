// Launching the built program in a private X server, driving it with xdotool
// and reading its window back through Xlib.
#include "tests/support/program.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>
#include <X11/extensions/Xfixes.h>

#ifndef MAREL_PROGRAM
#error "MAREL_PROGRAM must name the program under test"
#endif

using namespace std::chrono_literals;

namespace {

// Xlib's default handler ends the process on any protocol error; a refused
// window size is one that the tests provoke, so errors are noted instead.
int lastXError = 0;
int noteXError(Display*, XErrorEvent* event)
{
    lastXError = event->error_code;
    return 0;
}

Display* asDisplay(void* display)
{
    return static_cast<Display*>(display);
}

// Starts `argv` with stdin from /dev/null, stdout and stderr into the given
// files and DISPLAY set to `display` (unset when empty); the rest of the
// environment passes through, so sanitizer and driver settings reach it.
pid_t spawn(std::vector<std::string> argv, const std::string& display, const std::string& out,
            const std::string& err, bool withoutPreload)
{
    std::vector<char*> args;
    for (std::string& word : argv) {
        args.push_back(word.data());
    }
    args.push_back(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        if (display.empty()) {
            unsetenv("DISPLAY");
        } else {
            setenv("DISPLAY", display.c_str(), 1);
        }
        if (withoutPreload) {
            unsetenv("LD_PRELOAD");
        }
        const int in = open("/dev/null", O_RDONLY);
        const int o = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int e = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (in < 0 || o < 0 || e < 0 || dup2(in, 0) < 0 || dup2(o, 1) < 0 || dup2(e, 2) < 0) {
            _exit(126);
        }
        execvp(args[0], args.data());
        _exit(127);
    }
    if (pid < 0) {
        throw std::runtime_error("fork failed");
    }
    return pid;
}

// The child's exit status, or 128 + the signal that ended it; empty when it
// still runs after `timeout`.
std::optional<int> waitFor(pid_t pid, std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid) {
            return WIFSIGNALED(status) ? 128 + WTERMSIG(status) : WEXITSTATUS(status);
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            return std::nullopt;
        }
        std::this_thread::sleep_for(2ms);
    }
}

}  // namespace

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

int Screenshot::differences(const Screenshot& other, Box box) const
{
    box.right = std::min(box.right, other.width);
    box.bottom = std::min(box.bottom, other.height);
    int n = 0;
    forEach(box, [&](int x, int y, Rgb p) {
        const Rgb q = other.at(x, y);
        n += std::max({std::abs(p.r - q.r), std::abs(p.g - q.g), std::abs(p.b - q.b)}) > 8 ? 1 : 0;
    });
    return n;
}

MarelProgram::MarelProgram(bool withDisplay)
{
    if (withDisplay) {
        server_ = std::make_unique<XvfbServer>();
    }
    const char* tmp = std::getenv("TMPDIR");
    std::string directory = std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/marel-e2e-XXXXXX";
    if (mkdtemp(directory.data()) == nullptr) {
        throw std::runtime_error("mkdtemp failed");
    }
    directory_ = directory;
    pid_ = spawn({MAREL_PROGRAM}, server_ ? server_->display() : "", directory_ + "/stdout", directory_ + "/stderr",
                 false);
}

MarelProgram::~MarelProgram()
{
    if (running()) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    const std::string errors = standardError();
    for (const char* marker : {"AddressSanitizer", "LeakSanitizer", "runtime error"}) {
        if (errors.find(marker) != std::string::npos) {
            ADD_FAILURE() << "the program reported a sanitizer finding:\n" << errors;
            break;
        }
    }
    if (display_ != nullptr) {
        XCloseDisplay(asDisplay(display_));
    }
    std::remove((directory_ + "/stdout").c_str());
    std::remove((directory_ + "/stderr").c_str());
    rmdir(directory_.c_str());
    // server_ goes last, after the program and the connection to it.
}

int MarelProgram::waitForWindow()
{
    XSetErrorHandler(noteXError);
    display_ = XOpenDisplay(server_->display().c_str());
    if (display_ == nullptr) {
        throw std::runtime_error("cannot connect to " + server_->display());
    }
    Display* d = asDisplay(display_);
    const auto deadline = std::chrono::steady_clock::now() + 15s;
    while (std::chrono::steady_clock::now() < deadline && running()) {
        const std::vector<unsigned long> found = windowsTitled(d, "Marel");
        if (!found.empty()) {
            window_ = found.front();
            return static_cast<int>(found.size());
        }
        std::this_thread::sleep_for(10ms);
    }
    return 0;
}

std::string MarelProgram::geometry()
{
    Display* d = asDisplay(display_);
    XWindowAttributes attributes{};
    int x = 0;
    int y = 0;
    Window child = 0;
    XGetWindowAttributes(d, window_, &attributes);
    XTranslateCoordinates(d, window_, DefaultRootWindow(d), 0, 0, &x, &y, &child);
    return std::to_string(attributes.width) + "x" + std::to_string(attributes.height) + "+" + std::to_string(x) +
           "+" + std::to_string(y);
}

Point MarelProgram::pointer()
{
    Display* d = asDisplay(display_);
    Window root = 0;
    Window child = 0;
    Point screen{-1, -1};
    Point inWindow{0, 0};
    unsigned int buttons = 0;
    XQueryPointer(d, DefaultRootWindow(d), &root, &child, &screen.x, &screen.y, &inWindow.x, &inWindow.y, &buttons);
    return screen;
}

bool MarelProgram::cursorInvisible()
{
    XFixesCursorImage* cursor = XFixesGetCursorImage(asDisplay(display_));
    if (cursor == nullptr) {
        return false;
    }
    bool invisible = true;
    for (int i = 0; i < cursor->width * cursor->height; ++i) {
        invisible = invisible && (cursor->pixels[i] >> 24 & 0xffu) == 0;  // ARGB: alpha on top
    }
    XFree(cursor);
    return invisible;
}

Screenshot MarelProgram::screenshot()
{
    return Screenshot{readWindowPixels(display_, window_)};
}

int MarelProgram::xdotool(const std::vector<std::string>& arguments)
{
    std::vector<std::string> argv{"xdotool"};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    // A sanitizer run preloads its runtime for the program; xdotool is not built for it.
    const pid_t pid = spawn(argv, server_->display(), "/dev/null", "/dev/null", true);
    const std::optional<int> status = waitFor(pid, 20s);
    if (!status) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
    return status.value_or(-1);
}

void MarelProgram::pressEscape()
{
    xdotool({"mousemove", "--window", std::to_string(window_), "1", "1", "key", "Escape"});
}

int MarelProgram::resize(int width, int height)
{
    Display* d = asDisplay(display_);
    lastXError = 0;
    XResizeWindow(d, window_, static_cast<unsigned int>(width), static_cast<unsigned int>(height));
    XSync(d, False);
    return lastXError;
}

void MarelProgram::watchMotion()
{
    // The toolkit takes the pointer through XInput 2, and the server then
    // delivers the core motion events on its window to no other client.
    Display* d = asDisplay(display_);
    int event = 0;
    int error = 0;
    int major = 2;
    int minor = 0;
    if (XQueryExtension(d, "XInputExtension", &inputOpcode_, &event, &error) == 0 ||
        XIQueryVersion(d, &major, &minor) != Success) {
        throw std::runtime_error("the server has no XInput 2");
    }
    unsigned char bits[XIMaskLen(XI_LASTEVENT)] = {};
    XISetMask(bits, XI_Motion);
    XIEventMask mask{XIAllMasterDevices, static_cast<int>(sizeof bits), bits};
    XISelectEvents(d, window_, &mask, 1);
    XSync(d, False);
}

std::vector<Point> MarelProgram::takeMotion(std::chrono::milliseconds settle)
{
    std::this_thread::sleep_for(settle);
    Display* d = asDisplay(display_);
    XSync(d, False);
    std::vector<Point> motion;
    while (XPending(d) > 0) {
        XEvent event;
        XNextEvent(d, &event);
        XGenericEventCookie* cookie = &event.xcookie;
        if (cookie->type == GenericEvent && cookie->extension == inputOpcode_ && XGetEventData(d, cookie) != 0) {
            if (cookie->evtype == XI_Motion) {
                const auto* e = static_cast<const XIDeviceEvent*>(cookie->data);
                motion.push_back(Point{static_cast<int>(e->event_x), static_cast<int>(e->event_y)});
            }
            XFreeEventData(d, cookie);
        }
    }
    return motion;
}

std::optional<int> MarelProgram::waitForExit(std::chrono::milliseconds timeout)
{
    if (!status_) {
        status_ = waitFor(pid_, timeout);
    }
    return status_;
}
