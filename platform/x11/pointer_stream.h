// The pointer's movements in the order the display made them, as it tells
// them on a connection of our own, and which of them made each report the
// toolkit delivers. Free of any windowing system: the X layer feeds it
// XInput 2's raw motion and each slave device's motion.
//
// A device's raw motion comes just before the movement the display makes for
// it; a warp, or the display placing the pointer itself, makes a movement
// with no raw motion behind it. A raw motion that says where the pointer went
// is a device reporting the user's own pointer (a remote viewer, a screen-
// sharing server's absolute XTest motion, a nested server's host); one that
// the movement follows as a delta is a mouse. Each report is then found among
// the movements by its position, in order, so that movements made before it
// without a report (outside the window) and movements made since (the next
// one already arrived) are told apart from its own.
#pragma once

#include "platform/pointer_facts.h"

#include <cstdint>

// A device's raw motion: what it reported before the display moved the
// pointer for it.
struct RawMotion {
    int source = 0;  // the device that made it (a slave device, never the master)
    uint32_t time = 0;  // the display's milliseconds when it took the device's event in
    bool hasX = false;
    bool hasY = false;
    double x = 0.0;  // raw values: deltas, or where the pointer is to go
    double y = 0.0;
    double appliedX = 0.0;  // the deltas as the display applies them (after acceleration)
    double appliedY = 0.0;
};

// A movement of the pointer as the display made it, in screen pixels.
struct PointerMove {
    int source = 0;  // the slave device it is reported for (for a warp: the one that moved the pointer last)
    uint32_t time = 0;  // the display's milliseconds
    double fromX = 0.0;  // where the pointer was
    double fromY = 0.0;
    double toX = 0.0;  // where it went
    double toY = 0.0;
    // False for a device whose axes are its own units (a tablet): where it
    // went is then known only from the report.
    bool toKnown = true;
};

class PointerStream {
public:
    static constexpr int MAX_DEVICES = 128;  // XInput 2 device ids are below 128 on every server seen
    static constexpr int KEPT = 256;         // movements kept for reports still to come

    void raw(const RawMotion& motion);
    void move(const PointerMove& move);

    // The facts for a report at (x, y), window pixels, of a window whose
    // top-left corner is at `originX`, `originY` on the screen. The movement
    // found and every one before it are used up; none found is the
    // display's own (Display, its time unknown), or Unknown before any came.
    PointerFacts report(int x, int y, int originX, int originY);

    // Devices came, went or changed: what was noted of them is forgotten.
    void forgetDevices();

private:
    struct Pending {
        bool fresh = false;  // a raw motion not yet followed by its movement
        RawMotion motion;
    };
    struct Kept {
        int source = 0;
        PointerMade made = PointerMade::Unknown;
        uint32_t time = 0;  // of the device's event behind it, or of the movement where there is none
        bool toKnown = false;
        int64_t toX = 0;  // whole screen pixels, as the toolkit reports them
        int64_t toY = 0;
    };
    struct Device {
        Pending pending;
        bool reportedKnown = false;  // where this device's last report put the pointer, screen pixels
        int64_t reportedX = 0;
        int64_t reportedY = 0;
    };

    Device devices_[MAX_DEVICES];
    Kept kept_[KEPT];
    uint64_t added_ = 0;  // movements taken in so far
    uint64_t used_ = 0;   // of them, those before the next report's
};
