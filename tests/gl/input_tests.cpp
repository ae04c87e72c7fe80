// The pointer and button handlers with the real toolkit and the real X
// pointer, timed by a driven clock, with a counting display routine.
#include "tests/support/gl_window.h"

#include "camera/camera.h"
#include "camera/input.h"

#include "platform/gl_headers.h"

#include <GL/glx.h>

#include <cmath>
#include <cstdlib>
#include <initializer_list>

namespace {

constexpr int C = TEST_WINDOW_SIZE / 2;  // the window's centre on either axis, pixels
const float START_DISTANCE = std::hypot(Camera{}.position.x, Camera{}.position.y, Camera{}.position.z);
int displayCalls = 0;

class InputTest : public ProgramTest {
protected:
    void SetUp() override
    {
        ProgramTest::SetUp();
        restart();
    }
    static void restart()
    {
        camera = Camera{};
        camera.redisplay = [] { ++displayCalls; };
        displayCalls = 0;
        resetPointerForTesting();
    }
};

float distanceToView()
{
    return std::hypot(camera.position.x, camera.position.y, camera.position.z);
}

void expectEyeNear(float x, float y, float z)
{
    EXPECT_NEAR(camera.position.x, x, 0.01f);
    EXPECT_NEAR(camera.position.y, y, 0.01f);
    EXPECT_NEAR(camera.position.z, z, 0.01f);
}

TEST_F(InputTest, PointerMovesTurnTheEyeAndTheRealPointerIsWarpedBack)
{
    // The first report only says where the pointer is; at the centre it is
    // home already: no turn, and no warp that would feed itself.
    warpPointerInWindow(100, 400);
    onMotion(C, C);
    EXPECT_EQ(pointerInWindow(), (Point{100, 400}));
    EXPECT_EQ(camera.position.y, 25.0f);
    EXPECT_EQ(camera.position.z, 10.0f);
    EXPECT_EQ(displayCalls, 1);

    struct Case {
        int dx, dy;     // pointer offset from the centre, window pixels, y down
        float x, y, z;  // where the eye should end
    };
    const Case cases[] = {
        {-100, 0, -25.0f * std::sin(0.1f), 25.0f * std::cos(0.1f), 10.0f},  // left: +0.1 rad about +z
        {0, -100, 0.0f, 25.87f, 7.45f},                                     // above: down towards the plane
        {0, 100, 0.0f, 23.88f, 12.45f},                                     // below: up
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(::testing::Message() << "offset (" << k.dx << ", " << k.dy << ")");
        restart();
        onMotion(C, C);
        warpPointerInWindow(C + k.dx, C + k.dy);
        onMotion(C + k.dx, C + k.dy);
        expectEyeNear(k.x, k.y, k.z);
        EXPECT_EQ(pointerInWindow(), (Point{C, C}));
        EXPECT_EQ(displayCalls, 2);
    }

    // Coming in from outside turns nothing, wherever the pointer enters; the
    // pointer is sent home and the next move turns again.
    restart();
    onMotion(C, C);
    onEntry(GLUT_LEFT);
    onEntry(GLUT_ENTERED);
    warpPointerInWindow(480, 20);
    onMotion(480, 20);
    expectEyeNear(0.0f, 25.0f, 10.0f);
    EXPECT_EQ(pointerInWindow(), (Point{C, C}));
    onMotion(C, C);
    onMotion(C - 100, C);
    EXPECT_NEAR(camera.position.x, -25.0f * std::sin(0.1f), 0.01f);
}

TEST_F(InputTest, HeldButtonsMoveTheEyeAtTwentyUnitsPerSecond)
{
    // Press the buttons, then let 1000 ms pass in idle ticks of uneven length.
    const auto holdForASecond = [this](std::initializer_list<int> buttons) {
        restart();
        clock.set(5000);
        for (int button : buttons) {
            onMouse(button, GLUT_DOWN, C, C);
        }
        EXPECT_EQ(displayCalls, 0) << "a button event called the display routine";
        for (int tick : {50, 150, 300, 500}) {
            clock.advance(tick);
            onIdle();
        }
        EXPECT_EQ(displayCalls, 4);
    };
    holdForASecond({GLUT_LEFT_BUTTON});
    EXPECT_NEAR(distanceToView(), START_DISTANCE - 20.0f, 0.01f);
    EXPECT_EQ(camera.position.x, 0.0f);
    EXPECT_NEAR(camera.position.y / camera.position.z, 2.5f, 1e-4f) << "off the line of sight";
    holdForASecond({GLUT_RIGHT_BUTTON});
    EXPECT_NEAR(distanceToView(), START_DISTANCE + 20.0f, 0.01f);
    holdForASecond({GLUT_LEFT_BUTTON, GLUT_RIGHT_BUTTON});
    EXPECT_NEAR(distanceToView(), START_DISTANCE - 20.0f, 0.01f) << "backward after forward covers no time";
    holdForASecond({GLUT_MIDDLE_BUTTON});
    expectEyeNear(0.0f, 25.0f, 10.0f);
    EXPECT_EQ(camera.lastMoveTime, 0);

    // A release stops the move and leaves the time of the last one.
    holdForASecond({GLUT_LEFT_BUTTON});
    const Vec3 moved = camera.position;
    clock.advance(400);
    onMouse(GLUT_LEFT_BUTTON, GLUT_UP, C, C);
    EXPECT_EQ(camera.lastMoveTime, 6000);
    clock.advance(500);
    onIdle();
    EXPECT_EQ(camera.position.y, moved.y);
    EXPECT_EQ(camera.position.z, moved.z);
}

// Moves the test window (no window manager: at once) and back to (0, 0) at the end.
class WindowMoved {
public:
    WindowMoved(int x, int y) { moveTo(x, y); }
    ~WindowMoved() { moveTo(0, 0); }
    WindowMoved(const WindowMoved&) = delete;
    WindowMoved& operator=(const WindowMoved&) = delete;
    static void moveTo(int x, int y)
    {
        XMoveWindow(glXGetCurrentDisplay(), glXGetCurrentDrawable(), x, y);
        XSync(glXGetCurrentDisplay(), False);
    }
};

float azimuth()
{
    return std::atan2(camera.position.y, camera.position.x);
}

TEST_F(InputTest, WithTheCentreOffTheScreenOnlyRealMovesTurnTheEye)
{
    // On the 1280 x 1024 screen the window's centre (1250, 1050) is out of the
    // pointer's reach; (0, 0) to (280, 224) of the window still shows.
    WindowMoved moved(1000, 800);
    MotionWatcher warps(std::getenv("DISPLAY"), glXGetCurrentDrawable());
    warpPointerInWindow(100, 80);
    warps.take();  // the test's own warp; both connections are in step

    // The move into the window sends the pointer to the middle of what shows;
    // then the toolkit hands back what the server reports, with idle ticks
    // between: with the pointer left alone, nothing turns and nothing warps
    // again.
    onEntry(GLUT_ENTERED);
    onMotion(100, 80);
    for (int event = 0; event < 20; ++event) {
        const Point reported = pointerInWindow();
        onMotion(reported.x, reported.y);
        onIdle();
    }
    expectEyeNear(0.0f, 25.0f, 10.0f);
    const Point rest = pointerInWindow();  // a round trip: the toolkit's warps have been carried out
    EXPECT_EQ(warps.take().size(), 1u) << "one warp, to the middle of what shows";
    EXPECT_EQ(rest, (Point{140, 112}));

    // A real move still turns at 0.001 radian per pixel: 100 pixels left is
    // +0.1 radian about +z, and the pointer goes back where it rested.
    const float before = azimuth();
    warpPointerInWindow(rest.x - 100, rest.y);
    onMotion(rest.x - 100, rest.y);
    EXPECT_NEAR(azimuth() - before, 0.1f, 1e-4f);
    EXPECT_EQ(pointerInWindow(), rest);

    // Moved back, the pointer is held at the window's centre again.
    WindowMoved::moveTo(0, 0);
    warpPointerInWindow(300, 300);
    onMotion(300, 300);
    EXPECT_EQ(pointerInWindow(), (Point{C, C}));
}

}  // namespace
