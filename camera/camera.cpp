// The orbit camera's arithmetic, free of GL so that it can be tested alone.
#include "camera/camera.h"

#include "common/clock.h"

#include <cmath>

Camera camera;

void resetCameraForTesting()
{
    void (*const redisplay)() = camera.redisplay;
    camera = Camera{};
    camera.redisplay = redisplay;
}

CameraSide Camera::side() const
{
    const float dx = position.x - view.x;
    const float dy = position.y - view.y;
    // Offsets are judged in whole units, truncated towards zero, with ties to
    // x: near the view point only the sign of the x offset is watched.
    // Truncating in floating point gives the same whole numbers as an integer
    // conversion but stays defined for offsets beyond the integer range.
    const float ax = std::fabs(std::trunc(dx));
    const float ay = std::fabs(std::trunc(dy));
    if (ax >= ay) {
        return dx < 0.0f ? CAMERA_SIDE_MINUS_X : CAMERA_SIDE_PLUS_X;
    }
    return dy < 0.0f ? CAMERA_SIDE_MINUS_Y : CAMERA_SIDE_PLUS_Y;
}

// A candidate is accepted when it stays on the same side of the view point
// along the axis that side() named before the change. A candidate with
// undefined (NaN) coordinates fails every comparison and is refused, which is
// what keeps the eye put when it sits on the view point or on the vertical
// through it.
bool Camera::accepts(const Vec3& candidate, CameraSide before) const
{
    switch (before) {
    case CAMERA_SIDE_MINUS_Y:
        return candidate.y - view.y <= 0.0f;
    case CAMERA_SIDE_MINUS_X:
        return candidate.x - view.x <= 0.0f;
    case CAMERA_SIDE_PLUS_Y:
        return candidate.y - view.y >= 0.0f;
    case CAMERA_SIDE_PLUS_X:
        return candidate.x - view.x >= 0.0f;
    }
    return false;
}

void Camera::rotate(float angle, const Vec3& axis)
{
    const float vx = position.x - view.x;
    const float vy = position.y - view.y;
    const float vz = position.z - view.z;
    const float c = std::cos(angle);
    const float s = std::sin(angle);
    const float t = 1.0f - c;
    const float ax = axis.x;
    const float ay = axis.y;
    const float az = axis.z;

    const Vec3 candidate{
        view.x + (c + t * ax * ax) * vx + (t * ax * ay - s * az) * vy + (t * ax * az + s * ay) * vz,
        view.y + (t * ax * ay + s * az) * vx + (c + t * ay * ay) * vy + (t * ay * az - s * ax) * vz,
        view.z + (t * ax * az - s * ay) * vx + (t * ay * az + s * ax) * vy + (c + t * az * az) * vz,
    };
    if (accepts(candidate, side())) {
        position = candidate;
    }
}

void Camera::move(float speed)
{
    // No guard on the length: on the view point it is 0 and the candidate is
    // NaN, which accepts() refuses.
    const float dx = view.x - position.x;
    const float dy = view.y - position.y;
    const float dz = view.z - position.z;
    const float length = std::sqrt(dx * dx + dy * dy + dz * dz);
    const float elapsed = static_cast<float>(millisBetween(lastMoveTime, processMillis()));

    const Vec3 candidate{
        position.x + dx / length * speed * elapsed,
        position.y + dy / length * speed * elapsed,
        position.z + dz / length * speed * elapsed,
    };
    if (accepts(candidate, side())) {
        position = candidate;
    }
    // A refused move still restarts the timing, so a refusal is not made up
    // for later by a larger jump.
    lastMoveTime = processMillis();
}
