// The orbit camera: an eye that revolves round a fixed view point and moves
// along its line of sight, refusing to cross the view point.
#pragma once

#include "common/vec3.h"

#include <cstdint>

// Which side of the view point the eye is on, judged on whole-unit offsets.
enum CameraSide : int {
    CAMERA_SIDE_MINUS_Y = 0,  // y offset dominant and negative
    CAMERA_SIDE_MINUS_X = 1,  // x offset dominant and negative
    CAMERA_SIDE_PLUS_Y = 2,   // y offset dominant and positive
    CAMERA_SIDE_PLUS_X = 3,   // x offset dominant and not negative
};

class Camera {
public:
    Vec3 position{0.0f, 25.0f, 10.0f};  // the eye, world units
    Vec3 view{};                        // the point looked at; never changes
    Vec3 up{0.0f, 0.0f, 1.0f};          // +z; never changes
    void (*redisplay)() = nullptr;      // the display routine, set by the scene set-up
    int32_t lastMoveTime = 0;           // processMillis() of the last move or button press
    bool movingForward = false;         // left button held
    bool movingBackward = false;        // right button held

    // Multiply the current GL matrix by the view transform.
    void look() const;

    CameraSide side() const;

    // Revolve the eye round the view point by `angle` radians about the unit
    // vector `axis` (right-handed), unless the side guard refuses it.
    void rotate(float angle, const Vec3& axis);

    // Move the eye along the line of sight by `speed` world units per
    // millisecond times the milliseconds since the last move; positive moves
    // towards the view point. The side guard may refuse it.
    void move(float speed);

private:
    bool accepts(const Vec3& candidate, CameraSide before) const;
};

extern Camera camera;

// Test hook: the camera as at start; its redisplay target, wired once by the
// scene set-up, is kept.
void resetCameraForTesting();
