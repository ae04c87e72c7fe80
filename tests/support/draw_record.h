// A record of the GL state at the moment each element of a frame is drawn.
// The GL test binary is linked with the linker's --wrap over the few entry
// points that draw (glBegin, glLightfv, glRasterPos2i, glutBitmapCharacter):
// while a DrawRecording exists, each call first reads the real state back
// from the current context, so a state switched for one element and restored
// afterwards shows.
#pragma once

#include <map>
#include <string>
#include <vector>

// Named state values ("lighting", "colour", "modelview", "front ambient",
// "raster position", ...), as doubles; "argument" holds the call's own.
using GlState = std::map<std::string, std::vector<double>>;

struct DrawCall {
    std::string call;  // "glBegin GL_QUADS", "glBegin GL_LINES", "glLightfv GL_POSITION", "glRasterPos2i", "glutBitmapCharacter"
    GlState state;
};

class DrawRecording {
public:
    DrawRecording();
    ~DrawRecording();
    DrawRecording(const DrawRecording&) = delete;
    DrawRecording& operator=(const DrawRecording&) = delete;

    std::vector<DrawCall> calls;
};

// The entries of `expected` that `seen` does not match (within 1e-5), as
// "name = {seen}, expected {values}; ..."; empty when all match.
std::string mismatches(const GlState& seen, const GlState& expected);
