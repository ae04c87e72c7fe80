// The orbit camera's arithmetic: which side the eye is on, turns and moves,
// and the guard that keeps the eye from crossing the view point.
#include "camera/camera.h"

#include "tests/support/driven_clock.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <random>

namespace {

constexpr float NOT_A_NUMBER = std::numeric_limits<float>::quiet_NaN();
constexpr float FORWARD = 0.02f;  // world units per millisecond, as the buttons use

Camera cameraAt(float x, float y, float z)
{
    Camera camera;
    camera.position = Vec3{x, y, z};
    return camera;
}

CameraSide sideAt(float x, float y)
{
    return cameraAt(x, y, 0.0f).side();
}

void expectPositionIs(const Camera& camera, float x, float y, float z)
{
    EXPECT_EQ(camera.position.x, x);
    EXPECT_EQ(camera.position.y, y);
    EXPECT_EQ(camera.position.z, z);
}

class CameraArithmetic : public ::testing::Test {
protected:
    DrivenClock clock{0};
};

TEST(CameraSideOf, DominantWholeUnitOffsetWithTiesToX)
{
    EXPECT_EQ(sideAt(0.0f, 25.0f), CAMERA_SIDE_PLUS_Y);
    EXPECT_EQ(sideAt(-3.0f, 1.0f), CAMERA_SIDE_MINUS_X);
    EXPECT_EQ(sideAt(1.0f, -4.0f), CAMERA_SIDE_MINUS_Y);
    EXPECT_EQ(sideAt(7.5f, 2.0f), CAMERA_SIDE_PLUS_X);
    // Under one unit both truncate to 0: a tie, judged on the x sign alone.
    EXPECT_EQ(sideAt(0.9f, -0.9f), CAMERA_SIDE_PLUS_X);
    EXPECT_EQ(sideAt(-0.5f, 0.9f), CAMERA_SIDE_MINUS_X);
    // Truncation, not rounding: 2.9 and -2.2 are both 2 whole units.
    EXPECT_EQ(sideAt(2.9f, -2.2f), CAMERA_SIDE_PLUS_X);
    EXPECT_EQ(sideAt(-1.9f, 2.0f), CAMERA_SIDE_PLUS_Y);
    // On the vertical through the view point x is 0, which counts as +x.
    EXPECT_EQ(cameraAt(0.0f, 0.0f, 5.0f).side(), CAMERA_SIDE_PLUS_X);
    // The view point is subtracted first.
    Camera shifted = cameraAt(10.0f, 0.0f, 0.0f);
    shifted.view = Vec3{12.0f, 0.0f, 0.0f};
    EXPECT_EQ(shifted.side(), CAMERA_SIDE_MINUS_X);
}

TEST_F(CameraArithmetic, ForwardMoveThatWouldCrossTheViewPointIsRefusedWhole)
{
    Camera camera;
    clock.set(2000);  // 40 units at 0.02 per ms: past the view point to y < 0
    camera.move(FORWARD);
    expectPositionIs(camera, 0.0f, 25.0f, 10.0f);
    EXPECT_EQ(camera.lastMoveTime, 2000) << "a refused move still restarts the timing";

    // The next move covers only the time since the refusal.
    clock.set(2050);
    camera.move(FORWARD);
    const float distance = std::hypot(camera.position.y - 25.0f, camera.position.z - 10.0f);
    EXPECT_NEAR(distance, 1.0f, 1e-4f);
    EXPECT_EQ(camera.lastMoveTime, 2050);
}

TEST_F(CameraArithmetic, MovesPastTheViewPointOnlyWithAZeroXOffset)
{
    Camera straight = cameraAt(0.0f, 0.5f, 0.2f);
    clock.set(40);  // 0.8 units
    straight.move(FORWARD);
    EXPECT_EQ(straight.position.x, 0.0f);
    EXPECT_NEAR(straight.position.y, -0.2428f, 1e-3f);
    EXPECT_NEAR(straight.position.z, -0.0971f, 1e-3f);

    Camera offset = cameraAt(0.3f, 0.5f, 0.2f);
    offset.move(FORWARD);
    expectPositionIs(offset, 0.3f, 0.5f, 0.2f);
    EXPECT_EQ(offset.lastMoveTime, 40);
}

TEST_F(CameraArithmetic, BackwardMovesAreNeverRefused)
{
    const Vec3 starts[] = {{0.0f, 25.0f, 10.0f}, {0.3f, 0.5f, 0.2f}, {-7.0f, -2.0f, 1.0f}, {0.0f, 0.0f, 5.0f}};
    for (const Vec3& start : starts) {
        clock.set(0);
        Camera camera = cameraAt(start.x, start.y, start.z);
        const float before = std::hypot(start.x, start.y, start.z);
        clock.set(1000000);  // 20000 units back
        camera.move(-FORWARD);
        const Vec3& p = camera.position;
        EXPECT_NEAR(std::hypot(p.x, p.y, p.z), before + 20000.0f, 1.0f) << "from " << start.x << ", " << start.y;
        // Straight back along the line of sight.
        EXPECT_NEAR(p.x * start.y - p.y * start.x, 0.0f, 1.0f);
    }
}

TEST_F(CameraArithmetic, RotationsFollowTheRightHandRule)
{
    Camera pitched;
    pitched.rotate(0.5f, Vec3{-1.0f, 0.0f, 0.0f});
    EXPECT_NEAR(pitched.position.x, 0.0f, 1e-5f);
    EXPECT_NEAR(pitched.position.y, 26.73f, 0.01f);
    EXPECT_NEAR(pitched.position.z, -3.21f, 0.01f) << "nothing keeps the eye above the surface";

    Camera yawed;
    yawed.rotate(0.5f, yawed.up);
    EXPECT_NEAR(yawed.position.x, -11.99f, 0.01f);
    EXPECT_NEAR(yawed.position.y, 21.94f, 0.01f);
    EXPECT_EQ(yawed.position.z, 10.0f);

    // A pitch that would carry y below the view point is refused.
    Camera overTheTop;
    overTheTop.rotate(2.0f, Vec3{-1.0f, 0.0f, 0.0f});
    expectPositionIs(overTheTop, 0.0f, 25.0f, 10.0f);
}

TEST_F(CameraArithmetic, UndefinedDirectionsLeaveTheEyeWhereItIs)
{
    // On the view point the line of sight has no length.
    Camera onViewPoint = cameraAt(0.0f, 0.0f, 0.0f);
    clock.set(300);
    onViewPoint.move(FORWARD);
    expectPositionIs(onViewPoint, 0.0f, 0.0f, 0.0f);
    EXPECT_EQ(onViewPoint.lastMoveTime, 300);

    // On the vertical the pitch axis has no length and comes out NaN.
    Camera onVertical = cameraAt(0.0f, 0.0f, 5.0f);
    onVertical.rotate(0.3f, Vec3{NOT_A_NUMBER, NOT_A_NUMBER, NOT_A_NUMBER});
    expectPositionIs(onVertical, 0.0f, 0.0f, 5.0f);
    onVertical.rotate(0.3f, onVertical.up);
    EXPECT_EQ(onVertical.position.x, 0.0f);
    EXPECT_EQ(onVertical.position.y, 0.0f);
    // Moving along the vertical still works.
    onVertical.lastMoveTime = 300;
    clock.set(340);
    onVertical.move(FORWARD);
    EXPECT_EQ(onVertical.position.x, 0.0f);
    EXPECT_NEAR(onVertical.position.z, 4.2f, 1e-5f);
}

TEST_F(CameraArithmetic, RandomTurnsAndMovesKeepTheEyeFinite)
{
    std::mt19937 random(7u);
    std::uniform_real_distribution<float> angleDistribution(-3.2f, 3.2f);
    std::normal_distribution<float> axisDistribution(0.0f, 1.0f);
    std::uniform_real_distribution<float> speedDistribution(-0.05f, 0.05f);
    std::uniform_int_distribution<int32_t> elapsedDistribution(0, 2000);
    std::uniform_int_distribution<int> choice(0, 9);

    for (int run = 0; run < 200; ++run) {
        clock.set(0);
        Camera camera;
        for (int op = 0; op < 300; ++op) {
            const int kind = choice(random);
            if (kind < 4) {
                Vec3 axis{axisDistribution(random), axisDistribution(random), axisDistribution(random)};
                const float length = std::hypot(axis.x, axis.y, axis.z);
                axis = Vec3{axis.x / length, axis.y / length, axis.z / length};
                camera.rotate(angleDistribution(random), axis);
            } else if (kind == 4) {
                camera.rotate(angleDistribution(random), Vec3{NOT_A_NUMBER, NOT_A_NUMBER, NOT_A_NUMBER});
            } else if (kind == 5) {
                camera.rotate(angleDistribution(random), camera.up);
            } else {
                clock.advance(elapsedDistribution(random));
                camera.move(speedDistribution(random));
            }
            const Vec3& p = camera.position;
            ASSERT_TRUE(std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z))
                << "run " << run << ", operation " << op << ": (" << p.x << ", " << p.y << ", " << p.z << ")";
        }
    }
}

}  // namespace
