// The captured pointer's rule, free of GL and of the windowing system: which
// pointer reports turn the view and by how much, and where the pointer is sent
// back to. The toolkit's callbacks are a thin shell round it.
#pragma once

#include "platform/monitors.h"
#include "platform/pointer_facts.h"

#include <cstdint>

constexpr float TURN_RATE = 0.001f;  // radians per pixel of pointer movement

// A point in window pixels, origin at the window's top left, as the toolkit
// reports the pointer.
struct PointerPoint {
    int x = 0;
    int y = 0;
    bool operator==(const PointerPoint& other) const { return x == other.x && y == other.y; }
};

// The window's client area on the desktop, in screen pixels.
struct WindowPlacement {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

// What one report asks of the shell: a turn (both angles 0 unless `turned`),
// and whether to warp the pointer, and where to.
struct PointerResponse {
    bool turned = false;
    float yaw = 0.0f;    // radians about the up vector; a move to the right gives a negative yaw
    float pitch = 0.0f;  // radians about the camera's right-hand direction; a move down gives a negative pitch
    bool warp = false;
    PointerPoint warpTo;
};

// The monitors as the pointer rule judges them: those of `layout` that have
// an area, or, when none has (no RandR, no monitor reported, or only empty
// ones), one monitor covering the whole screen of the given size.
MonitorLayout usableMonitors(const MonitorLayout& layout, int screenWidth, int screenHeight);

// Where the pointer is held in a window placed so: its centre (width >> 1,
// height >> 1) while a monitor shows that pixel; else the middle of the
// window's largest part that one monitor shows, since a point that no monitor
// shows cannot be reached; the centre when no monitor shows any of it.
PointerPoint pointerHome(const WindowPlacement& window, const MonitorLayout& monitors);

// Mouse capture as mature windowing toolkits do it: each movement is measured
// from the position last reported, and the report of our own warp is known by
// its position. This holds whether the display carries warps out, drops them,
// clamps them at a screen's edge or delivers them late.
//
// Where the display says what made a report (the PointerFacts), a report that
// no device movement made is a warp's, and a movement onto the warp's target
// is still a movement. Where a device reports the user's own pointer (a VNC
// viewer, a nested server's host, a tablet: Positions), a warp moves only the
// display's pointer and the next report is where the user's pointer is: there
// a movement is measured from where that device last put the pointer, and
// once a warp is seen not to hold the user's pointer the rule stops warping.
// One warp is still tried, as some displays (XWayland) carry it out by
// turning to relative motion.
class PointerCapture {
public:
    // The pointer came into the window from outside: its next report is where
    // it came in, not a movement. What was learnt of warps is tried afresh.
    void enter()
    {
        known_ = false;
        warpCarriedOut_ = false;
        warpsHold_ = true;
        warpsAnswered_ = 0;
        withheldYaw_ = 0.0f;
        withheldPitch_ = 0.0f;
    }

    // One report of the pointer at (x, y). `placement` is called only when the
    // pointer is to be sent home (asking the display where the window is may
    // cost round trips) and returns the window's WindowPlacement.
    template <typename Placement>
    PointerResponse report(int x, int y, const PointerFacts& facts, const MonitorLayout& monitors,
                           Placement placement)
    {
        Followed followed = follow(PointerPoint{x, y}, facts);
        if (followed.goHome && !facts.warpsDropped) {
            sendHome(followed.response, PointerPoint{x, y}, placement(), monitors);
        }
        return followed.response;
    }

    // A report on a display that tells nothing more than the position.
    template <typename Placement>
    PointerResponse report(int x, int y, const MonitorLayout& monitors, Placement placement)
    {
        return report(x, y, PointerFacts{}, monitors, placement);
    }

    PointerPoint last() const { return last_; }

    // False once a warp is known not to move the user's pointer (until the
    // pointer enters again).
    bool warpsHold() const { return warpsHold_; }

private:
    struct Followed {
        PointerResponse response;
        bool goHome = false;  // the pointer is to be warped home, unless it is there
    };
    Followed follow(PointerPoint at, const PointerFacts& facts);
    void sendHome(PointerResponse& response, PointerPoint at, const WindowPlacement& window,
                  const MonitorLayout& monitors);

    bool known_ = false;        // false until the first report, and again after the pointer enters
    PointerPoint last_;         // the position last reported
    PointerPoint device_;       // the position last reported that a device made (or, told nothing, no warp's)
    // Warps sent whose reports have not been seen. A display that says what
    // made each report reports every warp carried out; told nothing, the
    // first report at the target is taken for all of them.
    int warpsInFlight_ = 0;
    PointerPoint warpTarget_;   // where the last warp sent the pointer
    bool warpCarriedOut_ = false;  // our warp's report came, and no device has reported since
    bool warpsHold_ = true;     // false once a Positions device reported on after our warp was carried out
    // The first report after the pointer came in, where the display placed
    // the pointer itself: the movement that brought it in may be reported
    // again, as a delta at the same time.
    bool placedOnEntry_ = false;
    uint32_t entryTime_ = 0;
    // A device's reports at our warp's target, right after the warps: a
    // viewer following them, or the user's own moves there, which turn once
    // the device is seen not to follow.
    int warpsAnswered_ = 0;       // warps answered so, in a row
    float withheldYaw_ = 0.0f;    // radians waiting
    float withheldPitch_ = 0.0f;  // radians waiting
};
