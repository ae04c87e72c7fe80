// The window's last reported size and centre.
#include "common/window_geometry.h"

WindowCentre windowCentre = {0, 0};
WindowSize windowSize = {0, 0};

void resetWindowGeometryForTesting()
{
    windowCentre = WindowCentre{0, 0};
    windowSize = WindowSize{0, 0};
}
