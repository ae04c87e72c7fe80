// Preloaded into the program to stand for a display that does not carry out
// pointer warps (a VNC viewer's pointer, a nested server driven from its host,
// some Wayland compositors): Xlib's warp request does nothing, and no motion
// reports it.
#include <X11/Xlib.h>

extern "C" int XWarpPointer(Display*, Window, Window, int, int, unsigned int, unsigned int, int, int)
{
    return 1;
}
