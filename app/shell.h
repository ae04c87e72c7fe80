// Program entry and event wiring: the window, the callbacks, the keyboard.
#pragma once

#include "platform/monitors.h"

constexpr int WINDOW_WIDTH = 500;   // pixels
constexpr int WINDOW_HEIGHT = 500;  // pixels
constexpr unsigned char ESCAPE_KEY = 27;
constexpr int ESCAPE_EXIT_STATUS = 1;  // deliberately 1, not 0: the demo's long-standing convention

struct WindowPosition {
    int x;
    int y;
};

// The part of the desktop the window opens on: the primary monitor of a
// layout that usableMonitors() made, or the whole screen when it lists none.
ScreenRect placementArea(const MonitorLayout& usable, int screenWidth, int screenHeight);

// The position that centres a window on `area`; left of or above the area when
// the area is smaller than the window (negative on the first monitor, which the
// toolkit then takes as no position requested).
WindowPosition centredWindowPosition(int windowWidth, int windowHeight, const ScreenRect& area);

// The value of the toolkit's -display option in the command line, or nullptr.
const char* displayOption(int argc, char** argv);

// The toolkit's keyboard callback: Escape ends the process, all else is ignored.
void onKeyboard(unsigned char key, int x, int y);

// Initialise the toolkit with the command line, open the window, set up the
// scene, register the callbacks and run the event loop, which does not return.
int runMarel(int& argc, char** argv);
