// The frame routine on a real context: when it draws, what the drawn frame
// shows, and that every call advances the wave field.
#include "tests/gl/program_state.h"

#include "render/frame.h"
#include "wave/field.h"

#include <GL/freeglut.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

using FrameTest = ProgramTest;

int level(const Rgb& c)
{
    return (c.r + c.g + c.b) / 3;
}

// The lit surface: neutral, brighter than the background, darker than the white text.
bool isGrey(const Rgb& c)
{
    return std::max({c.r, c.g, c.b}) - std::min({c.r, c.g, c.b}) <= 8 && level(c) > 60 && level(c) < 240;
}

// The pixel where a point of the surface plane lands.
const Rgb& pixelAt(const Picture& picture, double x, double y)
{
    const WindowPoint p = projectFromStart(x, y, 0.0);
    return picture.at(p.x, p.y);
}

// Mean grey level of the 5 x 5 pixels round where a point of the surface plane lands.
int levelAround(const Picture& picture, double x, double y)
{
    const WindowPoint p = projectFromStart(x, y, 0.0);
    int sum = 0;
    for (int dy = -2; dy <= 2; ++dy) {
        for (int dx = -2; dx <= 2; ++dx) {
            sum += level(picture.at(p.x + dx, p.y + dy));
        }
    }
    return sum / 25;
}

// Puts a magenta picture on screen and leaves a cyan back buffer behind it:
// a frame drawn or swapped by mistake replaces the magenta.
void showMarker()
{
    glClearColor(1.0f, 0.0f, 1.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glutSwapBuffers();
    glClearColor(0.0f, 1.0f, 1.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
}

}  // namespace

TEST_F(FrameTest, DrawsAndSwapsOnlyOnEveryThirtiethCall)
{
    const auto isMagenta = [](const Rgb& c) { return c.r > 250 && c.g < 5 && c.b > 250; };
    const int allPixels = TEST_WINDOW_SIZE * TEST_WINDOW_SIZE;
    for (int round = 0; round < 2; ++round) {
        showMarker();
        for (int call = 1; call < 30; ++call) {
            onDisplay();
        }
        EXPECT_EQ(renderCounter, 29);
        Picture picture = readWindow();
        EXPECT_EQ(picture.count(0, 0, TEST_WINDOW_SIZE, TEST_WINDOW_SIZE, isMagenta), allPixels) << "round " << round;

        onDisplay();
        EXPECT_EQ(renderCounter, 0);
        picture = readWindow();
        EXPECT_EQ(picture.count(0, 0, TEST_WINDOW_SIZE, TEST_WINDOW_SIZE, isMagenta), 0) << "round " << round;
        EXPECT_EQ(level(picture.at(480, 480)), 0);
        EXPECT_TRUE(isGrey(pixelAt(picture, -2.0, -2.0)));  // the surface
    }
}

TEST_F(FrameTest, FlatFieldIsAGreySquareWithDarkEdgesAndColouredAxes)
{
    drawFrames(2);
    const Picture picture = readWindow();

    // The grey area's bounding box is that of the surface's projected corners.
    const WindowPoint corners[] = {projectFromStart(-5, -5, 0), projectFromStart(4.8, -5, 0),
                                   projectFromStart(4.8, 4.8, 0), projectFromStart(-5, 4.8, 0)};
    int left = TEST_WINDOW_SIZE, right = 0, bottom = TEST_WINDOW_SIZE, top = 0;
    for (const WindowPoint& c : corners) {
        left = std::min(left, c.x);
        right = std::max(right, c.x);
        bottom = std::min(bottom, c.y);
        top = std::max(top, c.y);
    }
    int greyLeft = TEST_WINDOW_SIZE, greyRight = 0, greyBottom = TEST_WINDOW_SIZE, greyTop = 0;
    for (int y = 0; y < TEST_WINDOW_SIZE; ++y) {
        for (int x = 0; x < TEST_WINDOW_SIZE; ++x) {
            if (isGrey(picture.at(x, y))) {
                greyLeft = std::min(greyLeft, x);
                greyRight = std::max(greyRight, x);
                greyBottom = std::min(greyBottom, y);
                greyTop = std::max(greyTop, y);
            }
        }
    }
    EXPECT_NEAR(greyLeft, left, 3);
    EXPECT_NEAR(greyRight, right, 3);
    EXPECT_NEAR(greyBottom, bottom, 3);
    EXPECT_NEAR(greyTop, top, 3);
    EXPECT_EQ(level(picture.at(left - 10, top + 10)), 0);
    EXPECT_EQ(level(picture.at(right + 10, bottom - 10)), 0);

    // Inside, away from the axes, the lit surface is an even light grey.
    for (double x = -4.5; x <= 4.5; x += 1.5) {
        for (double y = -4.5; y <= 4.5; y += 1.5) {
            if (std::abs(x) < 0.5 || std::abs(y) < 0.5) {
                continue;
            }
            EXPECT_TRUE(isGrey(pixelAt(picture, x, y))) << "at (" << x << ", " << y << ")";
            EXPECT_GT(level(pixelAt(picture, x, y)), 170) << "at (" << x << ", " << y << ")";
        }
    }

    // The outer rows and columns have zero normals: only the ambient terms
    // light them, about 0.36 of full.
    const int inside = levelAround(picture, 3.5, 1.0);
    EXPECT_LT(level(pixelAt(picture, 4.79, 1.0)), inside - 60) << "row 49";
    EXPECT_LT(level(pixelAt(picture, -4.99, 1.0)), inside - 60) << "row 0";
    EXPECT_LT(level(pixelAt(picture, 1.0, 4.79)), inside - 60) << "column 49";

    // Each axis shows its own colour half-way along it.
    const double midpoints[3][3] = {{2, 0, 0}, {0, 2, 0}, {0, 0, 2}};
    for (int axis = 0; axis < 3; ++axis) {
        const WindowPoint p = projectFromStart(midpoints[axis][0], midpoints[axis][1], midpoints[axis][2]);
        const int pure = picture.count(p.x - 3, p.y - 3, p.x + 4, p.y + 4, [axis](const Rgb& c) {
            const int channels[3] = {c.r, c.g, c.b};
            return channels[axis] > 200 && channels[(axis + 1) % 3] < 40 && channels[(axis + 2) % 3] < 40;
        });
        EXPECT_GE(pure, 4) << "axis " << axis;
    }
}

TEST_F(FrameTest, FirstFrameIsLitByTheDefaultLightAndLaterOnesByTheLightSetAfterDrawing)
{
    // What the light is before the program's first frame: GL's default,
    // directional along +z of eye space.
    const GLfloat defaultPosition[] = {0.0f, 0.0f, 1.0f, 0.0f};
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glLightfv(GL_LIGHT0, GL_POSITION, defaultPosition);

    int levels[3];
    for (int& frameLevel : levels) {
        drawFrames(1);
        frameLevel = levelAround(readWindow(), 2.0, 2.0);
    }
    // Ambient 0.3 x (1 + 0.2) plus diffuse 0.7 x cos: the eye's axis meets the
    // plane at cos = 10 / 26.9 in the first frame, the light at (200, 200, 200)
    // at about 0.59 afterwards; specular is negligible at shininess 50.
    EXPECT_NEAR(levels[0], 158, 6);
    EXPECT_NEAR(levels[1], 197, 6);
    EXPECT_NEAR(levels[2], levels[1], 1);
}

TEST_F(FrameTest, EveryCallAdvancesTheFieldByOneStep)
{
    // A bump in open water, so that each step changes the field.
    height[10][20] = 0.5f;
    Grid startHeight;
    Grid startVelocity;
    std::memcpy(startHeight, height, sizeof height);
    std::memcpy(startVelocity, velocity, sizeof velocity);

    // 31 calls take in a drawn frame.
    for (int call = 0; call < 31; ++call) {
        onDisplay();
    }
    Grid displayed;
    std::memcpy(displayed, height, sizeof height);

    std::memcpy(height, startHeight, sizeof height);
    std::memcpy(velocity, startVelocity, sizeof velocity);
    for (int step = 0; step < 30; ++step) {
        stepWaves();
    }
    EXPECT_NE(std::memcmp(height, displayed, sizeof height), 0) << "30 steps already match 31 calls";
    stepWaves();
    EXPECT_EQ(std::memcmp(height, displayed, sizeof height), 0) << "31 steps differ from 31 calls";
}
