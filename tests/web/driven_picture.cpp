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

namespace {
// The eye moved by `share` of the view's turn: the camera's own rotation, as
// the pointer turns it. Raised: about the start eye's right-hand direction,
// -x (the eye stays in the plane x = 0), by a negative angle, which lifts it.
void moveEye(DrivenView view, float share)
{
    if (view == DrivenView::Turned) {
        camera.rotate(0.5f * share, camera.up);
    } else if (view == DrivenView::Raised) {
        camera.rotate(-0.4f * share, Vec3{-1.0f, 0.0f, 0.0f});
    }
}
}  // namespace

void drawDrivenPicture(DrivenView view)
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
    // The second move comes between two drawn frames, so that the picture
    // shows whether what the camera's move changes is taken up again.
    moveEye(view, 1.0f);
    for (int call = 0; call < DRIVEN_PICTURE_CALLS; ++call) {
        if (call == DRIVEN_PICTURE_CALLS / 2) {
            moveEye(view, 0.5f);
        }
        ++drivenNow;
        onDisplay();
    }
    setMillisSourceForTesting(nullptr);
}
