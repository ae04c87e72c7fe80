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

PointerCapture::Followed PointerCapture::follow(PointerPoint at, const PointerFacts& facts)
{
    Followed followed;
    const bool positions = facts.made == PointerMade::Positions;
    if (!known_) {
        // Where the pointer came in, or the first report ever: no movement
        // to measure yet.
        known_ = true;
        last_ = at;
        device_ = at;
        warpCarriedOut_ = false;
        placedOnEntry_ = facts.made == PointerMade::Display && facts.timeKnown;
        entryTime_ = facts.time;
        followed.goHome = !positions || warpsHold_;
        return followed;
    }
    const bool placedOnEntry = placedOnEntry_;
    placedOnEntry_ = false;
    // What made the report, where the display says; told nothing, a report
    // at a pending warp's target is taken for the warp, as positions alone say.
    const bool madeByDisplay = facts.made == PointerMade::Display || facts.made == PointerMade::Unknown;
    if (warpsInFlight_ > 0 && at == warpTarget_ && madeByDisplay) {
        // Our own warp arriving.
        warpsInFlight_ = facts.made == PointerMade::Display ? warpsInFlight_ - 1 : 0;
        warpCarriedOut_ = true;
        last_ = at;
        return followed;
    }
    // Where the device's pointer was: after a warp that moved only the
    // display's pointer, where that device's last report put it.
    PointerPoint from = last_;
    if (positions) {
        from = facts.deviceFromKnown ? PointerPoint{facts.deviceFromX, facts.deviceFromY} : device_;
    }
    if (positions && warpsHold_ && at == warpTarget_ && (warpsInFlight_ > 0 || warpCarriedOut_)) {
        // The device itself puts the user's pointer where our warp sent the
        // display's: its far end (a viewer that follows the server's pointer)
        // carried the warp out too, so warps hold here. Or the user moved
        // onto that pixel: only a report of the device from elsewhere just
        // after a warp tells (then warps do not hold), so the movement waits.
        // A device that answers several warps in a row so follows them, and
        // what waited was no movement.
        constexpr int ANSWERS_OF_A_FOLLOWER = 3;  // warps in a row answered at their target
        if (++warpsAnswered_ >= ANSWERS_OF_A_FOLLOWER) {
            withheldYaw_ = 0.0f;
            withheldPitch_ = 0.0f;
        } else {
            withheldYaw_ += turnBetween(from.x, at.x);
            withheldPitch_ += turnBetween(from.y, at.y);
        }
        warpCarriedOut_ = false;
        last_ = at;
        device_ = at;
        return followed;
    }
    bool released = false;
    if (positions && warpCarriedOut_) {
        // Our warp was carried out, yet the device still reports the user's
        // pointer, which the warp did not move: no warp can hold it here, and
        // a movement that waited was the user's own.
        warpsHold_ = false;
        released = withheldYaw_ != 0.0f || withheldPitch_ != 0.0f;
    }
    if (facts.made != PointerMade::Display) {
        // A second report of a warp (one asked for again before the first
        // arrived) keeps what the first said.
        warpCarriedOut_ = false;
    }
    // The display's clock may tick between two reports of one input event.
    constexpr uint32_t SAME_EVENT = 1;  // milliseconds
    if (placedOnEntry && facts.made == PointerMade::Deltas && facts.timeKnown &&
        facts.time - entryTime_ <= SAME_EVENT) {
        // The display put the pointer where it came in, with no movement
        // behind it, and now reports the same input event as a delta (XWayland
        // does so when a warp of ours made before the pointer ever came in
        // left its warp emulation waiting): the movement that brought the
        // pointer in, which turns nothing.
        last_ = at;
        device_ = at;
        followed.goHome = true;
        return followed;
    }
    if (facts.made != PointerMade::Display) {
        device_ = at;
    }
    if (at == from && !released) {
        // Not a movement: the pointer reported again where it was, as a
        // display that cannot carry out a warp does after each one. Warping
        // again would only bring the same report back.
        last_ = at;
        return followed;
    }
    followed.response.turned = true;
    followed.response.yaw = turnBetween(from.x, at.x) + (released ? withheldYaw_ : 0.0f);
    followed.response.pitch = turnBetween(from.y, at.y) + (released ? withheldPitch_ : 0.0f);
    if (released) {
        withheldYaw_ = 0.0f;
        withheldPitch_ = 0.0f;
    }
    last_ = at;
    followed.goHome = !positions || warpsHold_;
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
    // A display carries out every warp, so one that drops them all would
    // make the count grow for ever: beyond a few, the oldest no longer count.
    constexpr int MOST_WARPS_AWAITED = 16;
    warpsInFlight_ = warpsInFlight_ < MOST_WARPS_AWAITED ? warpsInFlight_ + 1 : MOST_WARPS_AWAITED;
    warpTarget_ = home;
}
