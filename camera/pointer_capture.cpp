// The captured pointer's rule: turns from movements, warps home, and where home is.
#include "camera/pointer_capture.h"

#include <algorithm>

namespace {

bool hasArea(const ScreenRect& r)
{
    return r.width > 0 && r.height > 0;
}

bool shows(const ScreenRect& monitor, int64_t x, int64_t y)
{
    return x >= monitor.x && x < static_cast<int64_t>(monitor.x) + monitor.width && y >= monitor.y &&
           y < static_cast<int64_t>(monitor.y) + monitor.height;
}

// Radians for a movement from `from` to `to` along one axis. The difference is
// taken in 64 bits: reports far outside the window (a window manager's grab)
// cannot overflow it.
float turnBetween(int from, int to)
{
    return static_cast<float>(static_cast<int64_t>(from) - static_cast<int64_t>(to)) * TURN_RATE;
}

}  // namespace

MonitorLayout usableMonitors(const MonitorLayout& layout, int screenWidth, int screenHeight)
{
    MonitorLayout usable;
    const int listed = std::clamp(layout.count, 0, MAX_MONITORS);
    for (int i = 0; i < listed; ++i) {
        if (!hasArea(layout.monitors[i])) {
            continue;
        }
        if (i == layout.primary) {
            usable.primary = usable.count;
        }
        usable.monitors[usable.count++] = layout.monitors[i];
    }
    if (usable.count == 0 && screenWidth > 0 && screenHeight > 0) {
        usable.count = 1;
        usable.monitors[0] = ScreenRect{0, 0, screenWidth, screenHeight};
    }
    return usable;
}

PointerPoint pointerHome(const WindowPlacement& window, const MonitorLayout& monitors)
{
    const PointerPoint centre{window.width >> 1, window.height >> 1};
    const int listed = std::clamp(monitors.count, 0, MAX_MONITORS);
    int64_t bestArea = 0;
    PointerPoint best = centre;
    for (int i = 0; i < listed; ++i) {
        const ScreenRect& m = monitors.monitors[i];
        if (!hasArea(m)) {
            continue;
        }
        if (shows(m, static_cast<int64_t>(window.x) + centre.x, static_cast<int64_t>(window.y) + centre.y)) {
            return centre;
        }
        // The part of the window this monitor shows, in window pixels, right
        // and bottom exclusive.
        const int64_t left = std::max<int64_t>(0, static_cast<int64_t>(m.x) - window.x);
        const int64_t top = std::max<int64_t>(0, static_cast<int64_t>(m.y) - window.y);
        const int64_t right = std::min<int64_t>(window.width, static_cast<int64_t>(m.x) + m.width - window.x);
        const int64_t bottom = std::min<int64_t>(window.height, static_cast<int64_t>(m.y) + m.height - window.y);
        const int64_t area = left < right && top < bottom ? (right - left) * (bottom - top) : 0;
        // The middle leaves room to move every way; a point on the monitor's
        // edge could not report movement beyond it.
        if (area > bestArea) {
            bestArea = area;
            best = PointerPoint{static_cast<int>((left + right) >> 1), static_cast<int>((top + bottom) >> 1)};
        }
    }
    return best;
}

bool PointerCapture::fromDevice(PointerPoint at, const PointerFacts& facts) const
{
    switch (facts.source) {
    case PointerSource::Absolute:
        return facts.deviceAtKnown && at == PointerPoint{facts.deviceAtX, facts.deviceAtY};
    case PointerSource::Follows:
        // The raw movement is used only to tell, never to measure: a report
        // that lies exactly the device's own movement away from the last one
        // was made by the device. Our warp's report comes with no movement.
        return facts.moved && (facts.movedX != 0 || facts.movedY != 0) &&
               static_cast<int64_t>(at.x) - last_.x == facts.movedX &&
               static_cast<int64_t>(at.y) - last_.y == facts.movedY;
    case PointerSource::Unknown:
        break;
    }
    return false;
}

PointerCapture::Followed PointerCapture::follow(PointerPoint at, const PointerFacts& facts)
{
    Followed followed;
    const bool absolute = facts.source == PointerSource::Absolute;
    if (!known_) {
        // Where the pointer came in, or the first report ever: no movement
        // to measure yet.
        known_ = true;
        last_ = at;
        device_ = at;
        warpArrived_ = false;
        followed.goHome = !absolute || warpsHold_;
        return followed;
    }
    if (warpPending_ && at == warpTarget_ && !fromDevice(at, facts)) {
        // Our own warp arriving.
        warpPending_ = false;
        warpArrived_ = true;
        last_ = at;
        return followed;
    }
    if (absolute && at == warpTarget_ && (warpPending_ || warpArrived_) && fromDevice(at, facts)) {
        // The device itself puts the user's pointer where our warp sent the
        // display's: its far end (a viewer that follows the server's pointer)
        // carried the warp out too, so warps hold here.
        warpPending_ = false;
        warpArrived_ = false;
        last_ = at;
        device_ = at;
        return followed;
    }
    if (absolute && warpArrived_) {
        // Our warp was carried out, yet the device still reports the user's
        // pointer, which the warp did not move: no warp can hold it here.
        warpsHold_ = false;
    }
    warpArrived_ = false;
    // Where the device's pointer was: after a warp that moved only the
    // display's pointer, that is where the device last put it.
    const PointerPoint from = absolute ? device_ : last_;
    device_ = at;
    if (at == from) {
        // Not a movement: the pointer reported again where it was, as a
        // display that cannot carry out a warp does after each one. Warping
        // again would only bring the same report back.
        last_ = at;
        return followed;
    }
    followed.response.turned = true;
    followed.response.yaw = turnBetween(from.x, at.x);
    followed.response.pitch = turnBetween(from.y, at.y);
    last_ = at;
    followed.goHome = !absolute || warpsHold_;
    return followed;
}

void PointerCapture::sendHome(PointerResponse& response, PointerPoint at, const WindowPlacement& window,
                              const MonitorLayout& monitors)
{
    // A window without an area (before its first reshape) has no home.
    if (window.width <= 0 || window.height <= 0) {
        return;
    }
    const PointerPoint home = pointerHome(window, monitors);
    if (at == home) {
        return;
    }
    response.warp = true;
    response.warpTo = home;
    warpPending_ = true;
    warpTarget_ = home;
}
