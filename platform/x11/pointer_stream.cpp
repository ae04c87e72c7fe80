// The pointer's movements in the display's order, and the movement behind each report.
#include "platform/x11/pointer_stream.h"

#include <cmath>

namespace {

// Raw values and positions are whole pixels from every device seen; half a
// pixel leaves room for a sub-pixel position and its rounding.
constexpr double SAME_PIXEL = 0.5;  // pixels

bool validDevice(int id)
{
    return id >= 0 && id < PointerStream::MAX_DEVICES;
}

bool near(double a, double b)
{
    return std::fabs(a - b) < SAME_PIXEL;
}

// Whether a movement from `from` to `to` along one axis is the raw delta
// `applied` (an axis the raw motion leaves out did not move).
bool followsDelta(bool has, double applied, double from, double to)
{
    return near(to - from, has ? applied : 0.0);
}

}  // namespace

void PointerStream::raw(const RawMotion& motion)
{
    if (!validDevice(motion.source) || (!motion.hasX && !motion.hasY)) {
        return;  // a wheel or another axis: the pointer does not move for it
    }
    // A raw motion that no movement follows before the device's next one was
    // raw only (XWayland reports a delta so, beside the position it sets
    // without one): the later one replaces it.
    devices_[motion.source].pending = Pending{true, motion};
}

void PointerStream::move(const PointerMove& move)
{
    Kept kept;
    kept.time = move.time;
    kept.toKnown = move.toKnown;
    kept.toX = static_cast<int64_t>(std::floor(move.toX));
    kept.toY = static_cast<int64_t>(std::floor(move.toY));
    kept.made = PointerMade::Display;
    if (validDevice(move.source)) {
        Device& device = devices_[move.source];
        if (device.pending.fresh) {
            const RawMotion& raw = device.pending.motion;
            device.pending.fresh = false;
            PointerMade made = PointerMade::Display;
            if (!move.toKnown) {
                // Axes in the device's own units: a tablet says where its pen is.
                made = PointerMade::Positions;
            } else if (raw.hasX && raw.hasY && near(raw.x, move.toX) && near(raw.y, move.toY)) {
                // The raw values are where the pointer went, whatever axes the
                // device declares (XTest's pointer carries both kinds). Deltas
                // equal the position only from the screen's top-left corner,
                // where no window's centre is.
                made = PointerMade::Positions;
            } else if (followsDelta(raw.hasX, raw.appliedX, move.fromX, move.toX) &&
                       followsDelta(raw.hasY, raw.appliedY, move.fromY, move.toY)) {
                made = PointerMade::Deltas;
            }
            // Else the raw motion was not this movement's: the display placed
            // the pointer without one (XWayland's position beside its delta).
            if (made != PointerMade::Display) {
                kept.made = made;
                // The movement may be stamped later than the event it makes,
                // when the display is busy; the raw motion keeps the event's time.
                kept.time = raw.time;
            }
        }
    }
    kept.source = move.source;
    kept_[added_ % KEPT] = kept;
    ++added_;
}

PointerFacts PointerStream::report(int x, int y, int originX, int originY)
{
    const int64_t screenX = static_cast<int64_t>(x) + originX;
    const int64_t screenY = static_cast<int64_t>(y) + originY;
    // The oldest movement still kept, if more came than are kept.
    const uint64_t oldest = added_ > KEPT ? added_ - KEPT : 0;
    for (uint64_t i = used_ > oldest ? used_ : oldest; i < added_; ++i) {
        const Kept& kept = kept_[i % KEPT];
        if (kept.toKnown && (kept.toX != screenX || kept.toY != screenY)) {
            continue;  // the pointer went elsewhere first, where no report came from (outside the window)
        }
        used_ = i + 1;
        PointerFacts facts;
        facts.made = kept.made;
        facts.timeKnown = true;
        facts.time = kept.time;
        if (kept.made == PointerMade::Positions && validDevice(kept.source)) {
            // Measured from where this device's last report put the pointer,
            // not from its last movement: one the display made no report of
            // (the user's pointer moved onto the pixel where our warp had put
            // the display's, and nothing there moved) is then counted in the
            // next report, not lost.
            Device& device = devices_[kept.source];
            if (device.reportedKnown) {
                facts.deviceFromKnown = true;
                facts.deviceFromX = static_cast<int>(device.reportedX - originX);
                facts.deviceFromY = static_cast<int>(device.reportedY - originY);
            }
            device.reportedKnown = true;
            device.reportedX = screenX;
            device.reportedY = screenY;
        }
        return facts;
    }
    // No movement of the pointer went there: the display moved it without
    // reporting a device's motion for it (Xephyr reports its warps only to
    // the client whose window the pointer is in). Told of no movement at all,
    // the display tells nothing.
    PointerFacts facts;
    facts.made = added_ > 0 ? PointerMade::Display : PointerMade::Unknown;
    return facts;
}

void PointerStream::forgetDevices()
{
    for (Device& device : devices_) {
        device = Device{};
    }
}
