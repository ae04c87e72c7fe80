// Launching the built program in a private X server, driving it with xdotool
// and reading its window back through Xlib.
#include "tests/support/program.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <poll.h>
#include <sstream>
#include <stdexcept>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#if MAREL_HAVE_XI
#include <X11/extensions/XInput2.h>
#endif
#if MAREL_HAVE_XFIXES
#include <X11/extensions/Xfixes.h>
#endif

#ifndef MAREL_PROGRAM
#error "MAREL_PROGRAM must name the program under test"
#endif

namespace {

constexpr auto POLL_INTERVAL = std::chrono::milliseconds(10);
constexpr auto COMMAND_TIMEOUT = std::chrono::seconds(20);
constexpr const char* MAREL_TITLE = "Marel";

// Xlib's default handler ends the process on any protocol error; a window can
// vanish between listing and querying it, and a screenshot of a window that
// is partly off the screen is refused, so errors are noted instead.
int lastXError = 0;
int noteXError(Display*, XErrorEvent* event)
{
    lastXError = event->error_code;
    return 0;
}

Display* asDisplay(void* connection)
{
    return static_cast<Display*>(connection);
}

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The lowest set bit of a colour mask and the channel's width, so any
// TrueColor layout converts to 8-bit channels.
int channel(unsigned long pixel, unsigned long mask)
{
    if (mask == 0) {
        return 0;
    }
    int shift = 0;
    while (((mask >> shift) & 1UL) == 0) {
        ++shift;
    }
    const unsigned long maximum = mask >> shift;
    return static_cast<int>(((pixel & mask) >> shift) * 255UL / maximum);
}

}  // namespace

void sleepFor(std::chrono::milliseconds duration)
{
    std::this_thread::sleep_for(duration);
}

const char* marelProgramPath()
{
    return MAREL_PROGRAM;
}

Screenshot::Rgb Screenshot::at(int x, int y) const
{
    const uint32_t p = pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)];
    return Rgb{static_cast<int>((p >> 16) & 0xffu), static_cast<int>((p >> 8) & 0xffu), static_cast<int>(p & 0xffu)};
}

bool Screenshot::savePpm(const std::string& path) const
{
    std::ofstream out(path, std::ios::binary);
    out << "P6\n" << width << ' ' << height << "\n255\n";
    for (const uint32_t p : pixels) {
        const char rgb[3] = {static_cast<char>((p >> 16) & 0xffu), static_cast<char>((p >> 8) & 0xffu),
                             static_cast<char>(p & 0xffu)};
        out.write(rgb, 3);
    }
    return static_cast<bool>(out);
}

void Screenshot::keep(const std::string& name) const
{
    const char* directory = std::getenv("MAREL_E2E_SHOTS");
    if (directory != nullptr && *directory != '\0') {
        savePpm(std::string(directory) + "/" + name + ".ppm");
    }
}

bool isSurfaceGrey(Screenshot::Rgb c)
{
    const int low = std::min({c.r, c.g, c.b});
    const int high = std::max({c.r, c.g, c.b});
    return low >= 60 && high - low <= 24;
}

bool isRed(Screenshot::Rgb c)
{
    return c.r >= 150 && c.g <= 80 && c.b <= 80;
}

bool isGreen(Screenshot::Rgb c)
{
    return c.g >= 150 && c.r <= 80 && c.b <= 80;
}

bool isBlue(Screenshot::Rgb c)
{
    return c.b >= 150 && c.r <= 80 && c.g <= 80;
}

bool isWhite(Screenshot::Rgb c)
{
    return c.r >= 200 && c.g >= 200 && c.b >= 200;
}

bool isLit(Screenshot::Rgb c)
{
    return std::max({c.r, c.g, c.b}) > 24;
}

int countDifferences(const Screenshot& a, const Screenshot& b, const Screenshot::Box& box, int tolerance)
{
    if (a.width != b.width || a.height != b.height) {
        return a.width * a.height + b.width * b.height;
    }
    int n = 0;
    const int right = std::min(box.right, a.width);
    const int bottom = std::min(box.bottom, a.height);
    for (int y = std::max(box.top, 0); y < bottom; ++y) {
        for (int x = std::max(box.left, 0); x < right; ++x) {
            const Screenshot::Rgb p = a.at(x, y);
            const Screenshot::Rgb q = b.at(x, y);
            if (std::abs(p.r - q.r) > tolerance || std::abs(p.g - q.g) > tolerance || std::abs(p.b - q.b) > tolerance) {
                ++n;
            }
        }
    }
    return n;
}

MarelProgram::MarelProgram() : MarelProgram(Options{}) {}

MarelProgram::MarelProgram(const Options& options)
{
    if (!options.withoutDisplay) {
        server_ = std::make_unique<XvfbServer>(options.screenWidth, options.screenHeight);
    }

    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/marel-e2e-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("mkdtemp failed");
    }
    directory_ = pattern;
    const std::string out = directory_ + "/stdout";
    const std::string err = directory_ + "/stderr";
    const std::string path = marelProgramPath();
    const std::string displayName = server_ ? server_->display() : std::string();

    pid_ = fork();
    if (pid_ < 0) {
        throw std::runtime_error("fork failed");
    }
    if (pid_ == 0) {
        // The rest of the environment passes through untouched, so sanitizer
        // and driver settings reach the program.
        if (displayName.empty()) {
            unsetenv("DISPLAY");
        } else {
            setenv("DISPLAY", displayName.c_str(), 1);
        }
        for (const auto& [name, value] : options.environment) {
            setenv(name.c_str(), value.c_str(), 1);
        }
        const int in = open("/dev/null", O_RDONLY);
        const int o = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int e = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (in < 0 || o < 0 || e < 0) {
            _exit(126);
        }
        dup2(in, 0);
        dup2(o, 1);
        dup2(e, 2);
        execl(path.c_str(), path.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
}

MarelProgram::~MarelProgram()
{
    stop();
    const std::string report = sanitizerReport();
    if (!report.empty()) {
        ADD_FAILURE() << "the program reported a sanitizer finding:\n" << report;
    }
    if (connection_ != nullptr) {
        XCloseDisplay(asDisplay(connection_));
        connection_ = nullptr;
    }
    if (!directory_.empty()) {
        std::remove((directory_ + "/stdout").c_str());
        std::remove((directory_ + "/stderr").c_str());
        rmdir(directory_.c_str());
    }
    // server_ goes last, after the program and the connection to it.
}

void MarelProgram::stop()
{
    if (pid_ > 0 && !exit_) {
        kill(pid_, SIGKILL);
        int status = 0;
        waitpid(pid_, &status, 0);
        exit_ = ExitResult{true, true, SIGKILL};
    }
}

const std::string& MarelProgram::display() const
{
    return server_ ? server_->display() : noDisplay_;
}

bool MarelProgram::running()
{
    return !waitForExit(std::chrono::milliseconds(0)).exited;
}

ExitResult MarelProgram::waitForExit(std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!exit_) {
        int status = 0;
        const pid_t done = waitpid(pid_, &status, WNOHANG);
        if (done == pid_) {
            if (WIFSIGNALED(status)) {
                exit_ = ExitResult{true, true, WTERMSIG(status)};
            } else {
                exit_ = ExitResult{true, false, WEXITSTATUS(status)};
            }
            break;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            return ExitResult{};
        }
        sleepFor(std::chrono::milliseconds(5));
    }
    return *exit_;
}

void MarelProgram::openConnection()
{
    if (connection_ != nullptr) {
        return;
    }
    if (!server_) {
        throw std::runtime_error("no display for this program");
    }
    XSetErrorHandler(noteXError);
    connection_ = XOpenDisplay(server_->display().c_str());
    if (connection_ == nullptr) {
        throw std::runtime_error("cannot connect to " + server_->display());
    }
}

namespace {

bool isMarelWindow(Display* d, Window w)
{
    XWindowAttributes attributes;
    if (XGetWindowAttributes(d, w, &attributes) == 0 || attributes.map_state != IsViewable) {
        return false;
    }
    char* name = nullptr;
    bool match = false;
    if (XFetchName(d, w, &name) != 0 && name != nullptr) {
        match = std::strcmp(name, MAREL_TITLE) == 0;
        XFree(name);
    }
    return match;
}

std::vector<Window> marelWindows(Display* d)
{
    std::vector<Window> found;
    Window root = 0;
    Window parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    if (XQueryTree(d, DefaultRootWindow(d), &root, &parent, &children, &count) != 0) {
        for (unsigned int i = 0; i < count; ++i) {
            if (isMarelWindow(d, children[i])) {
                found.push_back(children[i]);
            }
        }
        if (children != nullptr) {
            XFree(children);
        }
    }
    return found;
}

}  // namespace

unsigned long MarelProgram::waitForWindow(std::chrono::milliseconds timeout)
{
    openConnection();
    Display* d = asDisplay(connection_);
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < deadline && running()) {
        const std::vector<Window> found = marelWindows(d);
        if (!found.empty()) {
            window_ = found.front();
            return window_;
        }
        sleepFor(POLL_INTERVAL);
    }
    return 0;
}

int MarelProgram::countMarelWindows()
{
    openConnection();
    return static_cast<int>(marelWindows(asDisplay(connection_)).size());
}

std::string MarelProgram::title()
{
    openConnection();
    char* name = nullptr;
    std::string text;
    if (window_ != 0 && XFetchName(asDisplay(connection_), window_, &name) != 0 && name != nullptr) {
        text = name;
        XFree(name);
    }
    return text;
}

WindowGeometry MarelProgram::geometry()
{
    openConnection();
    Display* d = asDisplay(connection_);
    WindowGeometry g;
    XWindowAttributes attributes;
    if (window_ == 0 || XGetWindowAttributes(d, window_, &attributes) == 0) {
        return g;
    }
    Window child = 0;
    XTranslateCoordinates(d, window_, DefaultRootWindow(d), 0, 0, &g.x, &g.y, &child);
    g.width = attributes.width;
    g.height = attributes.height;
    return g;
}

Point MarelProgram::pointer()
{
    openConnection();
    Display* d = asDisplay(connection_);
    Window root = 0;
    Window child = 0;
    int rootX = -1;
    int rootY = -1;
    int x = 0;
    int y = 0;
    unsigned int mask = 0;
    XQueryPointer(d, DefaultRootWindow(d), &root, &child, &rootX, &rootY, &x, &y, &mask);
    return Point{rootX, rootY};
}

std::optional<bool> MarelProgram::cursorInvisible()
{
#if MAREL_HAVE_XFIXES
    openConnection();
    Display* d = asDisplay(connection_);
    int event = 0;
    int error = 0;
    if (XFixesQueryExtension(d, &event, &error) == 0) {
        return std::nullopt;
    }
    XFixesCursorImage* cursor = XFixesGetCursorImage(d);
    if (cursor == nullptr) {
        return std::nullopt;
    }
    bool invisible = true;
    const size_t count = static_cast<size_t>(cursor->width) * static_cast<size_t>(cursor->height);
    for (size_t i = 0; i < count; ++i) {
        // ARGB, alpha in the top byte of each 32-bit value.
        if (((cursor->pixels[i] >> 24) & 0xffu) != 0) {
            invisible = false;
        }
    }
    XFree(cursor);
    return invisible;
#else
    return std::nullopt;
#endif
}

Screenshot MarelProgram::screenshot()
{
    openConnection();
    Display* d = asDisplay(connection_);
    Screenshot shot;
    XWindowAttributes attributes;
    if (window_ == 0 || XGetWindowAttributes(d, window_, &attributes) == 0) {
        return shot;
    }
    lastXError = 0;
    XImage* image = XGetImage(d, window_, 0, 0, static_cast<unsigned int>(attributes.width),
                              static_cast<unsigned int>(attributes.height), AllPlanes, ZPixmap);
    XSync(d, False);
    if (image == nullptr || lastXError != 0) {
        if (image != nullptr) {
            XDestroyImage(image);
        }
        return shot;
    }
    shot.width = attributes.width;
    shot.height = attributes.height;
    shot.pixels.resize(static_cast<size_t>(shot.width) * static_cast<size_t>(shot.height));
    for (int y = 0; y < shot.height; ++y) {
        for (int x = 0; x < shot.width; ++x) {
            const unsigned long p = XGetPixel(image, x, y);
            const uint32_t rgb = static_cast<uint32_t>(channel(p, image->red_mask) << 16 |
                                                       channel(p, image->green_mask) << 8 |
                                                       channel(p, image->blue_mask));
            shot.pixels[static_cast<size_t>(y) * static_cast<size_t>(shot.width) + static_cast<size_t>(x)] = rgb;
        }
    }
    XDestroyImage(image);
    return shot;
}

CommandResult MarelProgram::xdotool(const std::vector<std::string>& arguments)
{
    CommandResult result;
    if (!server_) {
        return result;
    }
    int out[2];
    int err[2];
    if (pipe(out) != 0) {
        return result;
    }
    if (pipe(err) != 0) {
        close(out[0]);
        close(out[1]);
        return result;
    }
    std::vector<std::string> words{"xdotool"};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& w : words) {
        argv.push_back(w.data());
    }
    argv.push_back(nullptr);
    const std::string displayName = server_->display();

    const pid_t child = fork();
    if (child == 0) {
        setenv("DISPLAY", displayName.c_str(), 1);
        // A sanitizer run preloads its runtime for the program; xdotool is
        // not built for it, and its own leaks would turn into a failed status.
        unsetenv("LD_PRELOAD");
        dup2(out[1], 1);
        dup2(err[1], 2);
        close(out[0]);
        close(err[0]);
        close(out[1]);
        close(err[1]);
        execvp("xdotool", argv.data());
        _exit(127);
    }
    close(out[1]);
    close(err[1]);
    if (child < 0) {
        close(out[0]);
        close(err[0]);
        return result;
    }

    // Read both streams until they close, so a chatty child never blocks.
    const auto deadline = std::chrono::steady_clock::now() + COMMAND_TIMEOUT;
    pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
    std::string* sinks[2] = {&result.output, &result.errors};
    int openStreams = 2;
    while (openStreams > 0 && std::chrono::steady_clock::now() < deadline) {
        if (poll(fds, 2, 100) <= 0) {
            continue;
        }
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd >= 0 && (fds[i].revents & (POLLIN | POLLHUP | POLLERR)) != 0) {
                char buffer[4096];
                const ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
                if (n > 0) {
                    sinks[i]->append(buffer, static_cast<size_t>(n));
                } else {
                    close(fds[i].fd);
                    fds[i].fd = -1;
                    --openStreams;
                }
            }
        }
    }
    for (pollfd& f : fds) {
        if (f.fd >= 0) {
            close(f.fd);
            kill(child, SIGKILL);
        }
    }
    int status = 0;
    waitpid(child, &status, 0);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

void MarelProgram::moveRelative(int dx, int dy)
{
    xdotool({"mousemove_relative", "--", std::to_string(dx), std::to_string(dy)});
}

void MarelProgram::moveTo(int screenX, int screenY)
{
    xdotool({"mousemove", std::to_string(screenX), std::to_string(screenY)});
}

void MarelProgram::buttonDown(int button)
{
    xdotool({"mousedown", std::to_string(button)});
}

void MarelProgram::buttonUp(int button)
{
    xdotool({"mouseup", std::to_string(button)});
}

void MarelProgram::key(const std::string& keysym)
{
    xdotool({"key", keysym});
}

void MarelProgram::pressEscape()
{
    // Without a window manager the keyboard focus follows the pointer.
    const WindowGeometry g = geometry();
    xdotool({"mousemove", std::to_string(g.x + g.width / 2), std::to_string(g.y + g.height / 2), "key", "Escape"});
}

int MarelProgram::resize(int width, int height)
{
    return xdotool({"windowsize", std::to_string(window_), std::to_string(width), std::to_string(height)}).status;
}

int MarelProgram::requestSize(int width, int height)
{
    openConnection();
    Display* d = asDisplay(connection_);
    lastXError = 0;
    XResizeWindow(d, window_, static_cast<unsigned int>(width), static_cast<unsigned int>(height));
    XSync(d, False);
    return lastXError;
}

bool MarelProgram::watchPointerMotion()
{
#if MAREL_HAVE_XI
    openConnection();
    Display* d = asDisplay(connection_);
    // The toolkit takes pointer events through XInput 2, and the server then
    // delivers the core events on that window to nobody else: ask for the
    // XInput 2 events too.
    int event = 0;
    int error = 0;
    if (XQueryExtension(d, "XInputExtension", &inputOpcode_, &event, &error) == 0) {
        return false;
    }
    int major = 2;
    int minor = 0;
    if (XIQueryVersion(d, &major, &minor) != Success) {
        return false;
    }
    unsigned char bits[XIMaskLen(XI_LASTEVENT)] = {};
    XISetMask(bits, XI_Motion);
    XIEventMask mask{XIAllMasterDevices, static_cast<int>(sizeof bits), bits};
    lastXError = 0;
    XISelectEvents(d, window_, &mask, 1);
    XSync(d, False);
    watching_ = lastXError == 0;
#endif
    return watching_;
}

std::vector<Point> MarelProgram::takePointerMotion(std::chrono::milliseconds settle)
{
    std::vector<Point> motion;
    if (!watching_) {
        return motion;
    }
    sleepFor(settle);
#if MAREL_HAVE_XI
    Display* d = asDisplay(connection_);
    XSync(d, False);
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
#endif
    return motion;
}

long MarelProgram::residentKiB() const
{
    std::ifstream status("/proc/" + std::to_string(pid_) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) {
            return std::strtol(line.c_str() + 6, nullptr, 10);
        }
    }
    return -1;
}

bool MarelProgram::usesAddressSanitizer() const
{
    std::ifstream maps("/proc/" + std::to_string(pid_) + "/maps");
    std::string line;
    while (std::getline(maps, line)) {
        if (line.find("libasan") != std::string::npos) {
            return true;
        }
    }
    return false;
}

std::string MarelProgram::standardOutput() const
{
    return readFile(directory_ + "/stdout");
}

std::string MarelProgram::standardError() const
{
    return readFile(directory_ + "/stderr");
}

std::string MarelProgram::sanitizerReport() const
{
    const std::string text = standardError();
    for (const char* marker : {"AddressSanitizer", "LeakSanitizer", "runtime error"}) {
        if (text.find(marker) != std::string::npos) {
            return text;
        }
    }
    return std::string();
}
