// Scene set-up, the reshape callback and the frame routine on a real
// context: GL state read back, when a frame is drawn, what it shows, and that
// every call advances the wave field.
#include "tests/support/gl_window.h"

#include "camera/camera.h"
#include "common/window_geometry.h"
#include "overlay/text_overlay.h"
#include "render/frame.h"
#include "render/scene.h"
#include "wave/field.h"

#include "platform/gl_headers.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <numbers>
#include <utility>

namespace {

using RenderTest = ProgramTest;

// The pixel where a point of the surface plane lands.
const Rgb& pixelAt(const Picture& picture, double x, double y)
{
    const Point p = projectFromStart(x, y, 0.0);
    return picture.at(fromGl(p.x, p.y));
}

// Mean grey level of the 5 x 5 pixels round where a point of the surface plane lands.
int levelAround(const Picture& picture, double x, double y)
{
    const Point p = projectFromStart(x, y, 0.0);
    int sum = 0;
    for (int dy = -2; dy <= 2; ++dy) {
        for (int dx = -2; dx <= 2; ++dx) {
            sum += picture.at(fromGl(p.x + dx, p.y + dy)).level();
        }
    }
    return sum / 25;
}

TEST_F(RenderTest, ReshapeSetsViewportProjectionCentreAndOverlaySize)
{
    glMatrixMode(GL_MODELVIEW);
    glTranslatef(1.0f, 2.0f, 3.0f);
    glMatrixMode(GL_PROJECTION);

    onReshape(501, 300);
    EXPECT_EQ(windowCentre.x, 250);
    EXPECT_EQ(windowCentre.y, 150);
    EXPECT_EQ(windowSize.width, 501);
    EXPECT_EQ(windowSize.height, 300);
    std::array<GLint, 4> viewport;
    glGetIntegerv(GL_VIEWPORT, viewport.data());
    EXPECT_EQ(viewport, (std::array<GLint, 4>{0, 0, 501, 300}));
    // 50 degrees vertically whatever the width, near plane 0.1, far 10000.
    const double f = 1.0 / std::tan(25.0 * std::numbers::pi / 180.0);
    const Matrix expected{f * 300.0 / 501.0, 0, 0, 0, 0, f, 0, 0, 0, 0, -10000.1 / 9999.9, -1, 0, 0, -2000.0 / 9999.9, 0};
    const Matrix projection = matrix(GL_PROJECTION_MATRIX);
    for (int i = 0; i < 16; ++i) {
        EXPECT_NEAR(projection[i], expected[i], 1e-5 * (1.0 + std::abs(expected[i]))) << "entry " << i;
    }
    EXPECT_EQ(integerState(GL_MATRIX_MODE), GL_MODELVIEW);
    EXPECT_EQ(matrix(GL_MODELVIEW_MATRIX), (Matrix{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}));
    // The overlay takes the size the toolkit reports, not the arguments.
    EXPECT_EQ(textOverlay.width, TEST_WINDOW_SIZE);
    EXPECT_EQ(textOverlay.height, TEST_WINDOW_SIZE);

    // No height, or nothing at all (0 / 0), still gives a usable projection.
    for (int width : {400, 0}) {
        onReshape(width, 0);
        EXPECT_EQ(windowCentre.x, width / 2);
        for (GLdouble entry : matrix(GL_PROJECTION_MATRIX)) {
            EXPECT_TRUE(std::isfinite(entry)) << "width " << width;
        }
    }
}

TEST_F(RenderTest, DrawsAndSwapsOnlyOnEveryThirtiethCall)
{
    const auto isMagenta = [](const Rgb& c) { return c.r > 250 && c.g < 5 && c.b > 250; };
    for (int round = 0; round < 2; ++round) {
        // A magenta picture on screen and a cyan back buffer behind it: a frame
        // drawn or swapped by mistake replaces the magenta.
        glClearColor(1.0f, 0.0f, 1.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        glutSwapBuffers();
        glClearColor(0.0f, 1.0f, 1.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
        for (int call = 1; call < 30; ++call) {
            onDisplay();
        }
        EXPECT_EQ(readWindow().count(TEST_WINDOW, isMagenta), TEST_WINDOW_SIZE * TEST_WINDOW_SIZE) << "round " << round;
        onDisplay();
        const Picture picture = readWindow();
        EXPECT_EQ(picture.count(TEST_WINDOW, isMagenta), 0) << "round " << round;
        EXPECT_EQ(picture.at(fromGl(480, 480)).level(), 0);
        EXPECT_TRUE(isGrey(pixelAt(picture, -2.0, -2.0))) << "round " << round;
    }
}

TEST_F(RenderTest, FlatFieldIsAGreySquareWithDarkEdgesAndColouredAxes)
{
    drawFrames(2);
    const Picture picture = readWindow();

    // Grey just inside each projected corner of the surface, black just
    // outside, and a light, even grey towards the middle.
    const Point middle = projectFromStart(0.0, 0.0, 0.0);
    for (const auto& [x, y] : {std::pair{-5.0, -5.0}, {4.8, -5.0}, {4.8, 4.8}, {-5.0, 4.8}}) {
        const Point p = projectFromStart(x, y, 0.0);
        const int dx = p.x < middle.x ? 3 : -3;
        const int dy = p.y < middle.y ? 3 : -3;
        EXPECT_TRUE(isGrey(picture.at(fromGl(p.x + dx, p.y + dy)))) << "inside corner " << x << ", " << y;
        EXPECT_EQ(picture.at(fromGl(p.x - dx, p.y - dy)).level(), 0) << "outside corner " << x << ", " << y;
        EXPECT_TRUE(isGrey(pixelAt(picture, 0.7 * x, 0.7 * y)) && levelAround(picture, 0.7 * x, 0.7 * y) > 170);
    }
    // The outer rows and columns have zero normals: only the ambient terms
    // light them, about 0.36 of full.
    const int inside = levelAround(picture, 3.5, 1.0);
    for (const auto& [x, y] : {std::pair{4.79, 1.0}, std::pair{-4.99, 1.0}, std::pair{1.0, 4.79}}) {
        EXPECT_LT(pixelAt(picture, x, y).level(), inside - 60) << "edge at " << x << ", " << y;
    }

    // Each axis shows its own colour half-way along it.
    for (int axis = 0; axis < 3; ++axis) {
        const Point p = projectFromStart(axis == 0 ? 2 : 0, axis == 1 ? 2 : 0, axis == 2 ? 2 : 0);
        const auto pure = [axis](const Rgb& c) {
            const int channels[3] = {c.r, c.g, c.b};
            return channels[axis] > 200 && channels[(axis + 1) % 3] < 40 && channels[(axis + 2) % 3] < 40;
        };
        EXPECT_GE(picture.count(fromGl(p.x - 3, p.y - 3, p.x + 4, p.y + 4), pure), 4) << "axis " << axis;
    }
}

TEST_F(RenderTest, FirstFrameIsLitByTheDefaultLightAndLaterOnesByTheLightSetAfterDrawing)
{
    // GL's default light before the first frame: directional along +z of eye space.
    const GLfloat defaultPosition[] = {0.0f, 0.0f, 1.0f, 0.0f};
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glLightfv(GL_LIGHT0, GL_POSITION, defaultPosition);
    int levels[3];
    for (int& level : levels) {
        drawFrames(1);
        level = levelAround(readWindow(), 2.0, 2.0);
    }
    // Ambient 0.3 x (1 + 0.2) plus diffuse 0.7 x cos: the eye's axis meets the
    // plane at cos = 10 / 26.9 in the first frame, the light at (200, 200, 200)
    // at about 0.59 afterwards; specular is negligible at shininess 50.
    EXPECT_NEAR(levels[0], 158, 6);
    EXPECT_NEAR(levels[1], 197, 6);
    EXPECT_NEAR(levels[2], levels[1], 1);
}

TEST_F(RenderTest, EveryCallAdvancesTheFieldByOneStep)
{
    // A bump in open water changes the field at every step; 31 calls take in a drawn frame.
    height[10][20] = 0.5f;
    for (int call = 0; call < 31; ++call) {
        onDisplay();
    }
    Grid displayed;
    std::memcpy(displayed, height, sizeof height);
    resetProgramState();
    height[10][20] = 0.5f;
    for (int step = 0; step < 31; ++step) {
        EXPECT_NE(std::memcmp(height, displayed, sizeof height), 0) << step << " steps already match 31 calls";
        stepWaves();
    }
    EXPECT_EQ(std::memcmp(height, displayed, sizeof height), 0) << "31 steps differ from 31 calls";
}

}  // namespace
