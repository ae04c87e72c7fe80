// The frame-rate counter's bookkeeping, free of GL.
#include "overlay/frame_rate_counter.h"

#include "common/clock.h"

FrameRateCounter frameRateCounter;

void resetFrameRateCounterForTesting()
{
    frameRateCounter = FrameRateCounter{};
}

void FrameRateCounter::countFrame()
{
    if (!started) {
        secondStart = processMillis();
        started = true;
    }
    // Counted before the test, so the frame that closes a window is in its figure.
    ++framesThisSecond;
    if (millisBetween(secondStart, processMillis()) > FRAME_RATE_WINDOW_MS) {
        secondStart = processMillis();
        framesPerSecond = framesThisSecond;
        framesThisSecond = 0;
    }
}
