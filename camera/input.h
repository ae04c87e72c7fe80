// Pointer and button handling: a hidden pointer held at the window's centre,
// whose movements turn the camera, and buttons that move it in and out.
#pragma once

constexpr float TURN_RATE = 0.001f;  // radians per pixel of pointer movement
constexpr float MOVE_SPEED = 0.02f;  // world units per millisecond while a button is held

// The toolkit's mouse-button callback: sets or clears the camera's moving flags.
void onMouse(int button, int state, int x, int y);

// The toolkit's motion and passive-motion callback; x, y in window pixels,
// origin top left. Always ends with one call of the display routine.
void onMotion(int x, int y);

// The toolkit's idle callback: an unmoved pointer event, so that held buttons
// keep moving the camera and the display routine runs continuously.
void onIdle();
