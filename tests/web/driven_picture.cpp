#include "tests/web/driven_picture.h"

#include "camera/camera.h"
#include "common/clock.h"
#include "overlay/frame_rate_counter.h"
#include "render/frame.h"
#include "wave/field.h"
#include "wave/source.h"

#include <cstdint>

namespace {
int32_t drivenNow = 0;  // milliseconds
int32_t readDriven()
{
    return drivenNow;
}
}  // namespace

void drawDrivenPicture()
{
    drivenNow = 0;
    setMillisSourceForTesting(&readDriven);
    resetWaveFieldForTesting();
    restartSourceForTesting();
    resetCameraForTesting();
    resetFrameCounterForTesting();
    resetFrameRateCounterForTesting();
    // Thirty calls per drawn frame, 30 ms apart: the figure reads 34 (frames
    // in the first window of more than a second). Every drawn frame after the first is lit
    // from the position the one before gave, as the program's are.
    for (int call = 0; call < DRIVEN_PICTURE_CALLS; ++call) {
        ++drivenNow;
        onDisplay();
    }
    setMillisSourceForTesting(nullptr);
}
