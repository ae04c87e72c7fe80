// Program entry and event wiring: the window, the callbacks, the keyboard.
#pragma once

constexpr int WINDOW_WIDTH = 500;   // pixels
constexpr int WINDOW_HEIGHT = 500;  // pixels
constexpr unsigned char ESCAPE_KEY = 27;
constexpr int ESCAPE_EXIT_STATUS = 1;  // deliberately 1, not 0: the demo's long-standing convention

struct WindowPosition {
    int x;
    int y;
};

// The position that centres a window on the screen; negative when the screen
// is smaller than the window (the toolkit then places it itself).
WindowPosition centredWindowPosition(int windowWidth, int windowHeight, int screenWidth, int screenHeight);

// The toolkit's keyboard callback: Escape ends the process, all else is ignored.
void onKeyboard(unsigned char key, int x, int y);

// Initialise the toolkit with the command line, open the window, set up the
// scene, register the callbacks and run the event loop, which does not return.
int runMarel(int& argc, char** argv);
