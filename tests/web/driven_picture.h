// One frame of the program drawn from a driven clock, the same wherever it
// runs: natively on Mesa under Xvfb and in the browser on WebGL, so that the
// two pictures can be compared pixel for pixel.
#pragma once

// Display calls made, one driven millisecond apart: two hundred drawn
// frames, the pulse's wave through the slit and spreading behind it (some of
// the x axis under it), the figure published.
constexpr int DRIVEN_PICTURE_CALLS = 6000;

// The field, the source, the camera and the frame counters as at the start,
// then DRIVEN_PICTURE_CALLS calls of the display routine, the last of which
// draws. The window must have had its reshape. The clock goes back to the
// wall clock afterwards.
void drawDrivenPicture();
