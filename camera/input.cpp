// Pointer and button handlers driving the orbit camera.
#include "camera/input.h"

#include "camera/camera.h"
#include "common/clock.h"

#include "platform/gl_headers.h"

#include <algorithm>
#include <cmath>

PointerHold pointerHold;

namespace {

bool same(WindowCentre a, WindowCentre b)
{
    return a.x == b.x && a.y == b.y;
}

WindowCentre at(int x, int y)
{
    return WindowCentre{static_cast<int16_t>(x), static_cast<int16_t>(y)};
}

// The home for the window as it now lies. No callback reports a move of the
// window, so its position is asked for each time the pointer has moved: two
// round trips to the display (about 35 us each on a local X server). The size
// comes from the reshape callback and the screen's from the toolkit's memory,
// which costs nothing.
WindowCentre currentHome()
{
    return pointerHome(windowCentre, glutGet(GLUT_WINDOW_X), glutGet(GLUT_WINDOW_Y), windowSize.width,
                       windowSize.height, glutGet(GLUT_SCREEN_WIDTH), glutGet(GLUT_SCREEN_HEIGHT));
}

void holdAt(WindowCentre home)
{
    pointerHold.centre = windowCentre;
    pointerHold.home = home;
    pointerHold.rest = home;
    pointerHold.warpPending = false;
}

// Turns the camera by the pointer's movement away from its rest point and
// warps it home. Returns having done nothing when the pointer has not moved.
void followPointer(int x, int y)
{
    PointerHold& hold = pointerHold;
    if (!same(hold.centre, windowCentre)) {
        holdAt(currentHome());  // resized
    }
    // At the rest point the pointer has not moved, or the server is reporting
    // our own warp: turn nothing and do not warp again, or the warps would
    // feed themselves.
    if (x == hold.rest.x && y == hold.rest.y) {
        hold.warpPending = false;
        return;
    }
    const WindowCentre home = currentHome();
    if (!same(home, hold.home)) {
        holdAt(home);  // moved so that the screen shows more, or less, of it
    }
    if (x == hold.home.x && y == hold.home.y) {
        hold.rest = hold.home;  // a warp home has arrived after all
        hold.warpPending = false;
        return;
    }
    if (hold.warpPending && x == hold.warpedFrom.x && y == hold.warpedFrom.y) {
        // Reported again where we warped it from: the warp left the pointer
        // there (the point it was sent to cannot be reached, or the display
        // ignores warps). That is the pointer at rest, not a movement;
        // answering it with a turn and another warp would turn the view
        // without end.
        hold.rest = at(x, y);
        hold.warpPending = false;
        return;
    }

    // Right gives a negative yaw, down a negative pitch.
    const float yaw = static_cast<float>(hold.rest.x - x) * TURN_RATE;
    const float pitch = static_cast<float>(hold.rest.y - y) * TURN_RATE;
    glutWarpPointer(hold.home.x, hold.home.y);
    hold.warpPending = true;
    hold.warpedFrom = at(x, y);

    // The camera's right-hand direction, (view - position) x up, made unit.
    // On the vertical through the view point it has no length; the NaN axis
    // then makes rotate() refuse the pitch.
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

// What every pointer event and idle tick ends with: held buttons move the
// camera, then one display call.
void moveAndRedisplay()
{
    if (camera.movingForward) {
        camera.move(MOVE_SPEED);
    }
    if (camera.movingBackward) {
        camera.move(-MOVE_SPEED);
    }
    camera.redisplay();
}

}  // namespace

WindowCentre pointerHome(WindowCentre centre, int windowX, int windowY, int width, int height, int screenWidth,
                         int screenHeight)
{
    // The part of the window on the screen, in window pixels, right and bottom exclusive.
    const int left = std::max(0, -windowX);
    const int top = std::max(0, -windowY);
    const int right = std::min(width, screenWidth - windowX);
    const int bottom = std::min(height, screenHeight - windowY);
    if (left >= right || top >= bottom) {
        return centre;  // no part is shown, and no pointer event can arrive
    }
    if (centre.x >= left && centre.x < right && centre.y >= top && centre.y < bottom) {
        return centre;
    }
    // The middle of what is shown leaves room to move every way; a point on
    // the screen's edge could not report movement beyond it.
    return at((left + right) >> 1, (top + bottom) >> 1);
}

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
    followPointer(x, y);
    moveAndRedisplay();
}

void onIdle()
{
    // The pointer has not moved. This does not pass through followPointer():
    // an idle tick is no report from the display, so it must not count as
    // news that a warp has arrived.
    moveAndRedisplay();
}

void resetPointerForTesting()
{
    pointerHold = PointerHold{};
}
