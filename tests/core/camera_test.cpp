// The orbit camera's arithmetic: which side the eye is on, turns and moves,
// and the guard that keeps the eye from crossing the view point.
#include "camera/camera.h"

#include "camera/input.h"
#include "tests/support/driven_clock.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <random>

namespace {

constexpr float NAN_F = std::numeric_limits<float>::quiet_NaN();
constexpr Vec3 NAN_AXIS{NAN_F, NAN_F, NAN_F};
constexpr Vec3 PITCH_AXIS{-1.0f, 0.0f, 0.0f};  // the right-hand direction from the start position
constexpr float FORWARD = MOVE_SPEED;  // world units per millisecond, as the left button moves

testing::AssertionResult isAt(const Camera& camera, float x, float y, float z)
{
    const Vec3& p = camera.position;
    return (p.x == x && p.y == y && p.z == z ? testing::AssertionSuccess() : testing::AssertionFailure())
           << "eye at (" << p.x << ", " << p.y << ", " << p.z << ")";
}

class CameraTest : public ::testing::Test {
protected:
    DrivenClock clock{0};
};

TEST(CameraSide, DominantWholeUnitOffsetWithTiesToX)
{
    // Offsets truncate towards zero; a tie (both under one unit, say) goes by
    // the x sign alone, and x = 0 counts as +x.
    struct Case {
        float x, y;
        CameraSide side;
    };
    const Case cases[] = {
        {0.0f, 25.0f, CAMERA_SIDE_PLUS_Y},  {-3.0f, 1.0f, CAMERA_SIDE_MINUS_X}, {1.0f, -4.0f, CAMERA_SIDE_MINUS_Y},
        {7.5f, 2.0f, CAMERA_SIDE_PLUS_X},   {0.9f, -0.9f, CAMERA_SIDE_PLUS_X},  {-0.5f, 0.9f, CAMERA_SIDE_MINUS_X},
        {2.9f, -2.2f, CAMERA_SIDE_PLUS_X},  {-1.9f, 2.0f, CAMERA_SIDE_PLUS_Y},  {0.0f, 0.0f, CAMERA_SIDE_PLUS_X},
    };
    for (const Case& k : cases) {
        EXPECT_EQ((Camera{.position = {k.x, k.y, 5.0f}}.side()), k.side) << "offset (" << k.x << ", " << k.y << ")";
    }
    const Camera shifted{.position = {10.0f, 0.0f, 0.0f}, .view = {12.0f, 0.0f, 0.0f}};
    EXPECT_EQ(shifted.side(), CAMERA_SIDE_MINUS_X) << "the view point is subtracted first";
}

TEST_F(CameraTest, ForwardMoveThatWouldCrossTheViewPointIsRefusedWhole)
{
    Camera start;
    clock.set(2000);  // 40 units: past the view point to y < 0
    start.move(FORWARD);
    EXPECT_TRUE(isAt(start, 0.0f, 25.0f, 10.0f));
    EXPECT_EQ(start.lastMoveTime, 2000) << "a refused move still restarts the timing";

    // Near the view point, on the +y side with x = 0 (a tie, so +x is watched),
    // 0.8 units take the eye past it; 0.3 units off to the side they do not.
    clock.set(40);
    Camera straight{.position = {0.0f, 0.5f, 0.2f}};
    straight.move(FORWARD);
    EXPECT_EQ(straight.position.x, 0.0f);
    EXPECT_NEAR(straight.position.y, -0.2428f, 1e-3f);
    EXPECT_NEAR(straight.position.z, -0.0971f, 1e-3f);
    Camera offset{.position = {0.3f, 0.5f, 0.2f}};
    offset.move(FORWARD);
    EXPECT_TRUE(isAt(offset, 0.3f, 0.5f, 0.2f));
}

TEST_F(CameraTest, BackwardMovesAreNeverRefused)
{
    for (const Vec3& s : {Vec3{0.0f, 25.0f, 10.0f}, Vec3{0.3f, 0.5f, 0.2f}, Vec3{-7.0f, -2.0f, 1.0f}, Vec3{0, 0, 5}}) {
        clock.set(0);
        Camera camera{.position = s};
        clock.set(1000000);  // 20000 units straight back along the line of sight
        camera.move(-FORWARD);
        const Vec3& p = camera.position;
        EXPECT_NEAR(std::hypot(p.x, p.y, p.z), std::hypot(s.x, s.y, s.z) + 20000.0f, 1.0f) << s.x << ", " << s.y;
        EXPECT_NEAR(p.x * s.y - p.y * s.x, 0.0f, 1.0f);
    }
}

TEST_F(CameraTest, RotationsFollowTheRightHandRule)
{
    Camera pitched;
    pitched.rotate(0.5f, PITCH_AXIS);
    EXPECT_NEAR(pitched.position.x, 0.0f, 1e-5f);
    EXPECT_NEAR(pitched.position.y, 26.73f, 0.01f);
    EXPECT_NEAR(pitched.position.z, -3.21f, 0.01f) << "nothing keeps the eye above the surface";

    Camera yawed;
    yawed.rotate(0.5f, yawed.up);
    EXPECT_NEAR(yawed.position.x, -11.99f, 0.01f);
    EXPECT_NEAR(yawed.position.y, 21.94f, 0.01f);
    EXPECT_EQ(yawed.position.z, 10.0f);

    Camera overTheTop;
    overTheTop.rotate(2.0f, PITCH_AXIS);
    EXPECT_TRUE(isAt(overTheTop, 0.0f, 25.0f, 10.0f)) << "a pitch carrying y past the view point";
}

TEST_F(CameraTest, UndefinedDirectionsAreRefused)
{
    // On the view point the line of sight has no length: the candidate is NaN.
    Camera onViewPoint{.position = {0.0f, 0.0f, 0.0f}};
    clock.set(300);
    onViewPoint.move(FORWARD);
    EXPECT_TRUE(isAt(onViewPoint, 0.0f, 0.0f, 0.0f));
    EXPECT_EQ(onViewPoint.lastMoveTime, 300);

    // On the vertical the pitch axis comes out NaN; moving along it still works.
    Camera onVertical{.position = {0.0f, 0.0f, 5.0f}};
    onVertical.rotate(0.3f, NAN_AXIS);
    EXPECT_TRUE(isAt(onVertical, 0.0f, 0.0f, 5.0f));
    onVertical.lastMoveTime = 260;
    onVertical.move(FORWARD);
    EXPECT_EQ(onVertical.position.x, 0.0f);
    EXPECT_NEAR(onVertical.position.z, 4.2f, 1e-5f);
}

TEST_F(CameraTest, RandomTurnsAndMovesKeepTheEyeFinite)
{
    std::mt19937 random(7u);
    const auto uniform = [&random](float low, float high) { return std::uniform_real_distribution(low, high)(random); };
    for (int run = 0; run < 200; ++run) {
        clock.set(0);
        Camera camera;
        for (int op = 0; op < 300; ++op) {
            const float kind = uniform(0.0f, 10.0f);
            if (kind < 4.0f) {
                const Vec3 a{uniform(-1.0f, 1.0f), uniform(-1.0f, 1.0f), uniform(-1.0f, 1.0f)};
                const float length = std::hypot(a.x, a.y, a.z);
                camera.rotate(uniform(-3.2f, 3.2f), Vec3{a.x / length, a.y / length, a.z / length});
            } else if (kind < 6.0f) {
                camera.rotate(uniform(-3.2f, 3.2f), kind < 5.0f ? NAN_AXIS : camera.up);
            } else {
                clock.advance(static_cast<int32_t>(uniform(0.0f, 2000.0f)));
                camera.move(uniform(-0.05f, 0.05f));
            }
            const Vec3& p = camera.position;
            ASSERT_TRUE(std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z))
                << "run " << run << ", operation " << op << ": (" << p.x << ", " << p.y << ", " << p.z << ")";
        }
    }
}

}  // namespace
