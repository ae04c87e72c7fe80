// What the eye probe, preloaded into the program, writes at each drawn frame.
#pragma once

#include <cstdint>

struct EyeRecord {
    int64_t frames = 0;  // drawn frames so far
    double x = 0.0;      // the eye's position in world units
    double y = 0.0;
    double z = 0.0;
    int64_t check = 0;   // `frames` again, written last: a torn read shows two counts
};
