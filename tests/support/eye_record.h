// The camera's eye as the eye probe, preloaded into the program, writes it at
// each drawn frame, and as the tests read it.
#pragma once

#include <cmath>
#include <cstdint>

struct Eye {
    int64_t frames = 0;  // drawn frames so far
    double x = 0.0;      // the eye's position in world units
    double y = 0.0;
    double z = 0.0;
    int64_t check = 0;   // `frames` again, written last: a torn read shows two counts

    // Radians about +z, anticlockwise from +x; radians above the surface
    // plane, seen from the view point.
    double azimuth() const { return std::atan2(y, x); }
    double elevation() const { return std::atan2(z, std::hypot(x, y)); }
};
