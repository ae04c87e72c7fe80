// Pointer and button handlers driving the orbit camera.
#include "camera/input.h"

#include "camera/camera.h"
#include "common/clock.h"
#include "render/scene.h"

#include "render/gl_headers.h"

#include <cmath>

void onMouse(int button, int state, int, int)
{
    if (button == GLUT_LEFT_BUTTON) {
        camera.movingForward = state == GLUT_DOWN;
        if (camera.movingForward) {
            // The first move after a press covers only the time since the press.
            camera.lastMoveTime = processMillis();
        }
    } else if (button == GLUT_RIGHT_BUTTON) {
        camera.movingBackward = state == GLUT_DOWN;
        if (camera.movingBackward) {
            camera.lastMoveTime = processMillis();
        }
    }
}

void onMotion(int x, int y)
{
    const int cx = windowCentre.x;
    const int cy = windowCentre.y;
    // An event at the centre is the pointer at rest, or the X server reporting
    // our own warp: turn nothing and do not warp again, or the warps would
    // feed themselves.
    if (x != cx || y != cy) {
        // Right gives a negative yaw, down a negative pitch.
        const float yaw = static_cast<float>(cx - x) * TURN_RATE;
        const float pitch = static_cast<float>(cy - y) * TURN_RATE;
        glutWarpPointer(cx, cy);

        // The camera's right-hand direction, (view - position) x up, made unit.
        // On the vertical through the view point it has no length; the NaN
        // axis then makes rotate() refuse the pitch.
        const Vec3& up = camera.up;
        const float vx = camera.view.x - camera.position.x;
        const float vy = camera.view.y - camera.position.y;
        const float vz = camera.view.z - camera.position.z;
        const float rx = vy * up.z - vz * up.y;
        const float ry = vz * up.x - vx * up.z;
        const float rz = vx * up.y - vy * up.x;
        const float length = std::sqrt(rx * rx + ry * ry + rz * rz);
        const Vec3 right{rx / length, ry / length, rz / length};

        camera.rotate(pitch, right);
        camera.rotate(yaw, camera.up);
    }
    if (camera.movingForward) {
        camera.move(MOVE_SPEED);
    }
    if (camera.movingBackward) {
        camera.move(-MOVE_SPEED);
    }
    camera.redisplay();
}

void onIdle()
{
    onMotion(windowCentre.x, windowCentre.y);
}
