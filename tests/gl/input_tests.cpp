// The pointer and button handlers with the real toolkit and the real X
// pointer, timed by a driven clock.
#include "tests/gl/program_state.h"

#include "camera/camera.h"
#include "camera/input.h"
#include "render/scene.h"

#include <GL/freeglut.h>

#include <cmath>
#include <initializer_list>

namespace {

int displayCalls = 0;

void countDisplay()
{
    ++displayCalls;
}

class InputTest : public ProgramTest {
protected:
    void SetUp() override
    {
        ProgramTest::SetUp();
        camera.redisplay = countDisplay;
        displayCalls = 0;
    }
};

constexpr int CX = TEST_WINDOW_SIZE / 2;
constexpr int CY = TEST_WINDOW_SIZE / 2;
const float START_DISTANCE = std::sqrt(25.0f * 25.0f + 10.0f * 10.0f);  // about 26.93 world units

float distanceToView()
{
    const Vec3& p = camera.position;
    return std::sqrt(p.x * p.x + p.y * p.y + p.z * p.z);
}

void expectPosition(float x, float y, float z)
{
    EXPECT_NEAR(camera.position.x, x, 0.01f);
    EXPECT_NEAR(camera.position.y, y, 0.01f);
    EXPECT_NEAR(camera.position.z, z, 0.01f);
}

}  // namespace

TEST_F(InputTest, EventAtTheCentreTurnsNothingAndLeavesThePointerAlone)
{
    warpPointerInWindow(100, 400);
    onMotion(CX, CY);

    const PointerPosition pointer = pointerInWindow();
    EXPECT_EQ(pointer.x, 100);
    EXPECT_EQ(pointer.y, 400);
    EXPECT_EQ(camera.position.x, 0.0f);
    EXPECT_EQ(camera.position.y, 25.0f);
    EXPECT_EQ(camera.position.z, 10.0f);
    EXPECT_EQ(displayCalls, 1);
}

TEST_F(InputTest, PointerMovesTurnTheEyeAndTheRealPointerIsWarpedBack)
{
    struct Case {
        int dx, dy;     // pointer offset from the centre, window pixels (y down)
        float x, y, z;  // where the eye should end
    };
    const Case cases[] = {
        {-100, 0, -25.0f * std::sin(0.1f), 25.0f * std::cos(0.1f), 10.0f},  // +0.1 rad about +z
        {0, -100, 0.0f, 25.87f, 7.45f},                                     // above: down towards the plane
        {0, 100, 0.0f, 23.88f, 12.45f},                                     // below: up
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "offset (" << c.dx << ", " << c.dy << ")");
        camera.position = Vec3{0.0f, 25.0f, 10.0f};
        displayCalls = 0;
        warpPointerInWindow(CX + c.dx, CY + c.dy);

        onMotion(CX + c.dx, CY + c.dy);

        expectPosition(c.x, c.y, c.z);
        const PointerPosition pointer = pointerInWindow();
        EXPECT_EQ(pointer.x, CX);
        EXPECT_EQ(pointer.y, CY);
        EXPECT_EQ(displayCalls, 1);
    }
}

TEST_F(InputTest, HeldButtonsMoveTheEyeAtTwentyUnitsPerSecond)
{
    // Press the buttons, then let 1000 ms pass in idle ticks of uneven length.
    const auto holdForASecond = [this](std::initializer_list<int> buttons) {
        camera = Camera{};
        camera.redisplay = countDisplay;
        displayCalls = 0;
        clock.set(5000);
        for (int button : buttons) {
            onMouse(button, GLUT_DOWN, CX, CY);
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
    EXPECT_NEAR(camera.position.y / camera.position.z, 2.5f, 1e-4f);  // along the line of sight

    holdForASecond({GLUT_RIGHT_BUTTON});
    EXPECT_NEAR(distanceToView(), START_DISTANCE + 20.0f, 0.01f);

    // The backward move after each forward one covers no time.
    holdForASecond({GLUT_LEFT_BUTTON, GLUT_RIGHT_BUTTON});
    EXPECT_NEAR(distanceToView(), START_DISTANCE - 20.0f, 0.01f);

    holdForASecond({GLUT_MIDDLE_BUTTON});
    expectPosition(0.0f, 25.0f, 10.0f);
    EXPECT_FALSE(camera.movingForward);
    EXPECT_FALSE(camera.movingBackward);
    EXPECT_EQ(camera.lastMoveTime, 0);
}

TEST_F(InputTest, ReleaseStopsTheMoveAndKeepsThePressTime)
{
    clock.set(1000);
    onMouse(GLUT_LEFT_BUTTON, GLUT_DOWN, CX, CY);
    clock.set(1100);
    onIdle();
    EXPECT_NEAR(distanceToView(), START_DISTANCE - 2.0f, 0.01f);
    const Vec3 moved = camera.position;

    clock.set(1500);
    onMouse(GLUT_LEFT_BUTTON, GLUT_UP, CX, CY);
    EXPECT_EQ(camera.lastMoveTime, 1100);
    clock.set(2000);
    onIdle();
    onMotion(CX, CY);
    EXPECT_EQ(camera.position.y, moved.y);
    EXPECT_EQ(camera.position.z, moved.z);
    EXPECT_EQ(displayCalls, 3);
}
