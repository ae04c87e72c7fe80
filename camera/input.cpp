// Pointer and button handlers driving the orbit camera.
#include "camera/input.h"

#include "camera/camera.h"
#include "common/clock.h"
#include "common/window_geometry.h"

#include "platform/gl_headers.h"
#include "platform/pointer_facts.h"

#include <cmath>

PointerCapture pointerCapture;
DesktopMonitors desktopMonitors;

namespace {

// Where the window lies now. No callback reports a move of the window, so its
// position is asked for only when the pointer is about to be sent home: two
// round trips to the display. The size comes from the reshape callback.
WindowPlacement currentPlacement()
{
    return WindowPlacement{glutGet(GLUT_WINDOW_X), glutGet(GLUT_WINDOW_Y), windowSize.width, windowSize.height};
}

void turnCamera(float yaw, float pitch)
{
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

void refreshMonitors()
{
    desktopMonitors.layout = usableMonitors(queryMonitors(desktopMonitors.displayName), glutGet(GLUT_SCREEN_WIDTH),
                                            glutGet(GLUT_SCREEN_HEIGHT));
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
    const PointerResponse response =
        pointerCapture.report(x, y, pointerFacts(x, y), desktopMonitors.layout, currentPlacement);
    if (response.warp) {
        glutWarpPointer(response.warpTo.x, response.warpTo.y);
    }
    if (response.turned) {
        turnCamera(response.yaw, response.pitch);
    }
    moveAndRedisplay();
}

void onEntry(int state)
{
    if (state == GLUT_ENTERED) {
        refreshMonitors();
        pointerCapture.enter();
    }
}

void onIdle()
{
    // The pointer has not moved. This does not pass through the pointer rule:
    // an idle tick is no report from the display, so it must not count as
    // the pointer being seen anywhere. What the display has said meanwhile
    // of its devices is taken in, so that it cannot pile up.
    drainPointerEvents();
    moveAndRedisplay();
}

void resetPointerForTesting()
{
    pointerCapture = PointerCapture{};
}
