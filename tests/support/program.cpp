// Launching the built program in a private X server, driving it with xdotool
// and reading its window back through Xlib.
#include "tests/support/program.h"

#include <csignal>
#include <cstring>
#include <cstdlib>
#include <filesystem>
#include <sstream>

#include <X11/Xlib.h>
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

}  // namespace

MarelProgram::MarelProgram(bool withDisplay)
    : MarelProgram(withDisplay ? std::make_shared<XvfbServer>() : nullptr)
{
}

std::ostream& operator<<(std::ostream& out, const Eye& eye)
{
    return out << "eye (" << eye.x << ", " << eye.y << ", " << eye.z << ") at frame " << eye.frames;
}

MarelProgram::MarelProgram(std::shared_ptr<XvfbServer> server, const std::string& runUnder, Probes probes)
    : server_(std::move(server))
{
    if (server_) {
        parkPointer();
    }
    directory_ = makeTempDirectory("marel-e2e-");
    // The program inherits this process's environment, preloads included, so
    // that sanitizer and driver settings reach it; without a server, DISPLAY is unset.
    // Through the shell, so that `runUnder` may quote its words; exec keeps
    // the process the program's (or the tool's) own.
    // MAREL_PROGRAM in the environment names another build of the program
    // (the packaged one, say) to run instead of this build's.
    const char* other = std::getenv("MAREL_PROGRAM");
    const std::string program = other != nullptr && *other != '\0' ? other : MAREL_PROGRAM;
    std::string preload;
    if (probes.eye) {
        preload += " " MAREL_EYE_PROBE;
    }
    if (probes.dropWarps) {
        preload += " " MAREL_NO_WARP;
    }
    const std::string withProbes = preload.empty() ? "" :
        "LD_PRELOAD=\"${LD_PRELOAD:-}" + preload + "\" MAREL_EYE_FILE=\"$1\" ";
    pid_ = launch(Launch{.argv = {"sh", "-c", withProbes + "exec " + runUnder + " \"$0\"", program, directory_ + "/eye"},
                         .display = server_ ? server_->display() : "",
                         .standardOutput = directory_ + "/stdout",
                         .standardError = directory_ + "/stderr",
                         .keepPreload = true});
}

MarelProgram::~MarelProgram()
{
    if (running()) {
        stop(pid_, SIGKILL);
    }
    const std::string errors = standardError();
    for (const char* marker : {"AddressSanitizer", "LeakSanitizer", "runtime error"}) {
        if (errors.find(marker) != std::string::npos) {
            ADD_FAILURE() << "the program reported a sanitizer finding:\n" << errors;
            break;
        }
    }
    motion_.reset();
    if (display_ != nullptr) {
        XCloseDisplay(asDisplay(display_));
    }
    std::filesystem::remove_all(directory_);
    // server_ goes last, after the program and the connection to it.
}

int MarelProgram::waitForWindow(std::chrono::milliseconds timeout)
{
    XSetErrorHandler(noteXError);
    display_ = openDisplay(server_->display());
    std::vector<unsigned long> found;
    const bool shown = waitFor(
        "a window titled Marel", [this] { return windowsTitled(asDisplay(display_), "Marel"); },
        [this](const std::vector<unsigned long>& windows) { return !windows.empty() || !running(); }, &found,
        timeout);
    if (!shown || found.empty()) {
        return 0;
    }
    window_ = found.front();
    return static_cast<int>(found.size());
}

testing::AssertionResult MarelProgram::whileRunning(testing::AssertionResult result)
{
    if (!running()) {
        return testing::AssertionFailure() << "the program ended (status " << waitForExit(0ms).value_or(-1)
                                           << ") before " << result.message() << standardError();
    }
    return result;
}

testing::AssertionResult MarelProgram::waitForFrames(int frames, std::chrono::milliseconds timeout)
{
    Picture last = screenshot();
    int changes = 0;
    return whileRunning(waitFor(
        std::to_string(frames) + " newly drawn frames",
        [&] {
            Picture now = screenshot();
            if (now.width > 0 && (now.width != last.width || now.height != last.height ||
                                  now.differences(last, now.whole()) > 0)) {
                ++changes;
                last = std::move(now);
            }
            return changes;
        },
        [&](int seen) { return seen >= frames || !running(); }, nullptr, timeout));
}

std::optional<Eye> MarelProgram::eye() const
{
    // A read can meet the probe's write half done; the next one will not.
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string bytes = readFile(directory_ + "/eye");
        Eye record;
        if (bytes.size() < sizeof record) {
            return std::nullopt;  // no frame drawn yet
        }
        std::memcpy(&record, bytes.data(), sizeof record);
        if (record.check == record.frames) {
            return record;
        }
    }
    return std::nullopt;
}

testing::AssertionResult MarelProgram::waitForEye(Eye& eye, int frames)
{
    const long from = this->eye().value_or(Eye{}).frames;
    std::optional<Eye> seen;
    const testing::AssertionResult result = whileRunning(waitFor(
        std::to_string(frames) + " more drawn frames from frame " + std::to_string(from), [this] { return this->eye(); },
        [&](const std::optional<Eye>& e) { return (e && e->frames >= from + frames) || !running(); }, &seen));
    if (result && seen) {
        eye = *seen;
    }
    return result;
}

testing::AssertionResult MarelProgram::waitForPointer(Point screen)
{
    std::ostringstream what;
    what << "the pointer at " << screen;
    return waitFor(what.str(), [this] { return pointer(); }, [screen](Point p) { return p == screen; });
}

testing::AssertionResult MarelProgram::waitForEnd(int status, std::chrono::milliseconds timeout)
{
    const std::optional<int> ended = waitForExit(timeout);
    if (ended == status) {
        return testing::AssertionSuccess();
    }
    testing::AssertionResult failure = testing::AssertionFailure();
    if (ended) {
        failure << "the program ended with status " << *ended << ", not " << status;
    } else {
        failure << "the program still runs after " << timeout.count() << " ms";
    }
    return failure << "\n" << standardError();
}

void MarelProgram::parkPointer()
{
    // Xvfb starts its pointer at the screen's centre, which is also the
    // centred window's: from there a check that the program puts it there
    // could not fail.
    Display* d = asDisplay(openDisplay(server_->display()));
    warpPointer(d, DefaultRootWindow(d), PARKED);
    XCloseDisplay(d);
}

Box MarelProgram::placement()
{
    Display* d = asDisplay(display_);
    XWindowAttributes attributes{};
    int x = 0;
    int y = 0;
    Window child = 0;
    XGetWindowAttributes(d, window_, &attributes);
    XTranslateCoordinates(d, window_, DefaultRootWindow(d), 0, 0, &x, &y, &child);
    return Box{x, y, x + attributes.width, y + attributes.height};
}

std::string MarelProgram::geometry()
{
    const Box box = placement();
    return std::to_string(box.right - box.left) + "x" + std::to_string(box.bottom - box.top) + "+" +
           std::to_string(box.left) + "+" + std::to_string(box.top);
}

Point MarelProgram::pointer()
{
    return pointerIn(display_, DefaultRootWindow(asDisplay(display_)));
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

int MarelProgram::xdotool(const std::vector<std::string>& arguments)
{
    std::vector<std::string> argv{"xdotool"};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    return runTool(Launch{.argv = argv, .display = server_->display()});
}

int MarelProgram::closeThroughWindowManager()
{
    // As the title bar's close button does: the manager asks the window to close.
    return runTool(Launch{.argv = {"wmctrl", "-i", "-c", std::to_string(window_)}, .display = server_->display()});
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
