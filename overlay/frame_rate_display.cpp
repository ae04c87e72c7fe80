// Drawing the frame-rate figure through the text overlay.
#include "overlay/frame_rate_counter.h"

#include "overlay/text_overlay.h"

void FrameRateCounter::draw() const
{
    textOverlay.begin2D();
    textOverlay.setColor(1.0f, 1.0f, 1.0f, 1.0f);
    textOverlay.setPosition(FRAME_RATE_X, FRAME_RATE_Y);
    textOverlay << framesPerSecond;
    textOverlay.render();
    textOverlay.end2D();
}
