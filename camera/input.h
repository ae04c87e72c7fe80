// Pointer and button handling: a hidden pointer held at the window's centre,
// whose movements turn the camera, and buttons that move it in and out.
#pragma once

#include "platform/window_geometry.h"

constexpr float TURN_RATE = 0.001f;  // radians per pixel of pointer movement
constexpr float MOVE_SPEED = 0.02f;  // world units per millisecond while a button is held

// Where the pointer is held, in window pixels, origin top left. `home` is where
// it is warped back to: the window's centre, or, while the screen does not
// show the centre, the centre of the part of the window that it does show
// (the pointer cannot reach a point off the screen). `rest` is where movements
// are measured from: `home`, unless a warp there has been seen to leave the
// pointer where it was (a spot the pointer cannot reach, or a warp the display
// did not carry out), in which case the pointer rests where it stayed.
struct PointerHold {
    WindowCentre centre{0, 0};      // windowCentre when `home` was last worked out
    WindowCentre home{0, 0};
    WindowCentre rest{0, 0};
    WindowCentre warpedFrom{0, 0};  // the pointer position last answered with a warp
    bool warpPending = false;       // warped, and no report of the pointer at rest since
};
extern PointerHold pointerHold;

// The pointer's home for a window of the given size at the given position on
// a screen of the given size: `centre` while the screen shows it, else the
// centre of the window's part on the screen; `centre` when none is.
WindowCentre pointerHome(WindowCentre centre, int windowX, int windowY, int width, int height, int screenWidth,
                         int screenHeight);

// The toolkit's mouse-button callback: sets or clears the camera's moving flags.
void onMouse(int button, int state, int x, int y);

// The toolkit's motion and passive-motion callback; x, y in window pixels,
// origin top left. Always ends with one call of the display routine.
void onMotion(int x, int y);

// The toolkit's idle callback: an unmoved pointer event, so that held buttons
// keep moving the camera and the display routine runs continuously.
void onIdle();

// Test hook: the pointer held as at start.
void resetPointerForTesting();
