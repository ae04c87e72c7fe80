// Pointer and button handling: a hidden pointer held in the window, whose
// movements turn the camera, and buttons that move it in and out. The rule for
// the pointer is camera/pointer_capture.h; these are the toolkit's callbacks
// round it.
#pragma once

#include "camera/pointer_capture.h"
#include "platform/monitors.h"

constexpr float MOVE_SPEED = 0.02f;  // world units per millisecond while a button is held

// The captured pointer's state.
extern PointerCapture pointerCapture;

// The monitors the pointer is judged by (usableMonitors() of what the display
// reported), asked at start and again whenever the pointer enters the window
// (a projector may have been plugged in since), and the display they are
// asked of: the toolkit's -display option, or nullptr for the default.
struct DesktopMonitors {
    MonitorLayout layout;
    const char* displayName = nullptr;
};
extern DesktopMonitors desktopMonitors;

// Asks the display for its monitors again and keeps what the pointer rule can use.
void refreshMonitors();

// The toolkit's mouse-button callback: sets or clears the camera's moving flags.
void onMouse(int button, int state, int x, int y);

// The toolkit's motion and passive-motion callback; x, y in window pixels,
// origin top left. Always ends with one call of the display routine.
void onMotion(int x, int y);

// The toolkit's entry callback: the pointer's next report after it comes in
// is where it entered, and turns nothing.
void onEntry(int state);

// Test hook: the pointer rule as at start, before any report. The monitors
// are kept.
void resetPointerForTesting();

// The toolkit's idle callback: held buttons keep moving the camera and the
// display routine runs continuously.
void onIdle();
