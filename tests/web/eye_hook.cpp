// Test-only hook of the browser test build: the camera as the page test reads it.
#include "camera/camera.h"

#include <emscripten.h>

// 0 to 2: the eye's x, y, z; 3 to 5: the view point's; 6 to 8: the up vector's;
// 9: the clock reading of the last move, milliseconds.
extern "C" EMSCRIPTEN_KEEPALIVE float marelCameraValue(int index)
{
    if (index == 9) {
        return static_cast<float>(camera.lastMoveTime);
    }
    const Vec3* const vectors[3] = {&camera.position, &camera.view, &camera.up};
    if (index < 0 || index >= 9) {
        return 0.0f;
    }
    const Vec3& v = *vectors[index / 3];
    return index % 3 == 0 ? v.x : index % 3 == 1 ? v.y : v.z;
}
