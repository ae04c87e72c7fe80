// One frame of the program drawn from a driven clock, the same wherever it
// runs: natively on Mesa under Xvfb and in the browser on WebGL, so that the
// two pictures can be compared pixel for pixel.
#pragma once

// Display calls made, one driven millisecond apart: two hundred drawn
// frames, the pulse's wave through the slit and spreading behind it (some of
// the x axis under it), the figure published.
constexpr int DRIVEN_PICTURE_CALLS = 6000;

// Where the eye is while the driven picture is drawn.
enum class DrivenView {
    Start,   // where the program starts: its view rotation is symmetric
    Turned,  // 0.5 rad round the up vector before the first call, 0.25 rad more half-way
    Raised,  // 0.4 rad up over the view point before the first call, 0.2 rad more half-way
};

// File names of the native pictures beside the one for the start view:
// "picture.ppm" gives "picture-turned.ppm" and "picture-raised.ppm".
constexpr const char* DRIVEN_VIEW_SUFFIXES[] = {"", "-turned", "-raised"};

// The field, the source, the camera and the frame counters as at the start,
// the eye moved as `view` says, then DRIVEN_PICTURE_CALLS calls of the display
// routine, the last of which draws. The window must have had its reshape.
// The clock goes back to the wall clock afterwards.
void drawDrivenPicture(DrivenView view = DrivenView::Start);
