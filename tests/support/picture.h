// X windows watched from a connection of the tests' own: their pixels read
// back and compared, windows found by title, the pointer motion reported on a
// window; and the user's mouse, as XTest moves it. Xlib stays out of this header, so that its macros stay out of the tests.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <ostream>
#include <string>
#include <vector>

struct Rgb {
    int r = 0, g = 0, b = 0;
    int level() const { return (r + g + b) / 3; }
};

// What the picture is made of. The lit surface is neutral, never darker than
// its ambient term (about 90 of 255), and grey but for its highlights, which
// reach white; the text is white; the axes are pure red, green and blue; the
// background is black.
inline bool isSurface(Rgb c)
{
    const auto [low, high] = std::minmax({c.r, c.g, c.b});
    return high - low <= 8 && low > 60;
}
inline bool isGrey(Rgb c) { return isSurface(c) && std::max({c.r, c.g, c.b}) < 240; }
inline bool isWhite(Rgb c) { return std::min({c.r, c.g, c.b}) > 200; }
inline bool isLit(Rgb c) { return c.r > 0 || c.g > 0 || c.b > 0; }
inline bool isRed(Rgb c) { return c.r >= 150 && c.g <= 80 && c.b <= 80; }
inline bool isGreen(Rgb c) { return c.g >= 150 && c.r <= 80 && c.b <= 80; }
inline bool isBlue(Rgb c) { return c.b >= 150 && c.r <= 80 && c.g <= 80; }

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

// A window's pixels, 8 bits a channel, rows from the top as X reads them;
// empty when they could not be read.
struct Picture {
    int width = 0, height = 0;
    std::vector<Rgb> pixels;

    const Rgb& at(int x, int y) const { return pixels[static_cast<std::size_t>(y * width + x)]; }
    const Rgb& at(Point p) const { return at(p.x, p.y); }
    Box whole() const { return Box{0, 0, width, height}; }
    Box scene() const { return Box{0, 0, width, height - 40}; }  // the program's window above its frame-rate figure
    // The pixels of `box` for which `test` holds: how many, and the smallest box holding them.
    template <typename Test>
    int count(Box box, Test test) const
    {
        int n = 0;
        forEach(box, [&](int, int, const Rgb& c) { n += test(c) ? 1 : 0; });
        return n;
    }
    template <typename Test>
    Box bounds(Box box, Test test) const
    {
        Box b{width, height, 0, 0};
        forEach(box, [&](int x, int y, const Rgb& c) {
            if (test(c)) {
                b = Box{std::min(b.left, x), std::min(b.top, y), std::max(b.right, x + 1), std::max(b.bottom, y + 1)};
            }
        });
        return b;
    }
    // Pixels of `box` that differ from `other`'s by more than 8 in some channel.
    int differences(const Picture& other, Box box) const;
    // Visits the pixels of `box`, clipped to the picture.
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
// "a W x H picture, N lit pixels", for a wait's failure message.
std::ostream& operator<<(std::ostream& out, const Picture& picture);

// Connects to `display` (":N"), returning its Display*; throws
// std::runtime_error when it cannot.
void* openDisplay(const std::string& display);
// The pointer relative to `window` of `display`, an open Display*.
Point pointerIn(void* display, unsigned long window);
// Moves the pointer to `p` relative to `window` and waits until the server has.
void warpPointer(void* display, unsigned long window, Point p);

// One movement of the user's mouse as XTest makes it: to a point of the
// screen, as a screen-sharing server moves the pointer for its viewers, or by
// a delta, as a mouse moves it.
struct MouseStep {
    bool absolute = false;
    int x = 0;  // screen pixels, or pixels moved
    int y = 0;
};

// Makes `steps` on `display` (":N"), on a connection of its own, `interval`
// apart as a fast mouse makes them, and returns once the server has them all.
// Throws std::runtime_error when the server cannot be reached.
void moveMouse(const std::string& display, const std::vector<MouseStep>& steps,
               std::chrono::microseconds interval = std::chrono::microseconds(0));

// `display` is an open Display*. Empty unless the window is viewable and
// wholly on the screen; X errors go to the caller's handler.
Picture readPicture(void* display, unsigned long window);
// The viewable top-level windows titled exactly `title`, inside a window
// manager's frames as well.
std::vector<unsigned long> windowsTitled(void* display, const char* title);

// The pointer motion that an X server reports on one window, as the program
// receives it (through XInput 2: the toolkit's XInput 2 use hides the core events).
class MotionWatcher {
public:
    // Starts recording motion on `window` of `display` (":N"). Throws
    // std::runtime_error when the server cannot be reached or has no XInput 2.
    MotionWatcher(const std::string& display, unsigned long window);
    ~MotionWatcher();
    MotionWatcher(const MotionWatcher&) = delete;
    MotionWatcher& operator=(const MotionWatcher&) = delete;

    // The motion recorded since the last call, in window pixels, as far as the
    // server has delivered it: a round trip first, so everything the server did
    // before the call is in. Each warp of the pointer is reported too, as one event.
    std::vector<Point> take();
    // The devices (XInput 2 slave ids) that made the motion taken so far, in
    // the order they first did.
    const std::vector<int>& sources() const { return sources_; }

private:
    void* display_ = nullptr;  // Display*, opaque so that Xlib's macros stay out of the tests
    int inputOpcode_ = 0;
    std::vector<int> sources_;
};
