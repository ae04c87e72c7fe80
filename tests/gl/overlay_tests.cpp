// The text overlay and the frame-rate figure on a real context: GL state
// around the overlay, where glyphs land, and what a render draws.
#include "tests/gl/program_state.h"

#include "overlay/frame_rate_counter.h"
#include "overlay/text_overlay.h"

#include <GL/freeglut.h>
#include <GL/glu.h>

namespace {

constexpr int GLYPH_WIDTH = 9;  // GLUT_BITMAP_9_BY_15 advance, pixels

class OverlayTest : public ProgramTest {
protected:
    void SetUp() override
    {
        ProgramTest::SetUp();
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    }
};

struct RasterPosition {
    float x;
    float y;
};

RasterPosition rasterPosition()
{
    GLfloat position[4];
    glGetFloatv(GL_CURRENT_RASTER_POSITION, position);
    return RasterPosition{position[0], position[1]};
}

bool isWhite(const Rgb& c)
{
    return c.r > 200 && c.g > 200 && c.b > 200;
}

bool isLit(const Rgb& c)
{
    return c.r + c.g + c.b > 0;
}

// White pixels in the cell of `glyphs` glyphs whose baseline starts at (x, y):
// 9 pixels a glyph, from 4 below the baseline to 12 above it.
int whiteInCell(const Picture& picture, int x, int y, int glyphs = 1)
{
    return picture.count(x, y - 4, x + glyphs * GLYPH_WIDTH, y + 12, isWhite);
}

int litAnywhere(const Picture& picture)
{
    return picture.count(0, 0, picture.width(), picture.height(), isLit);
}

// Writes `text` at (x, y) and renders it between begin2D and end2D; returns
// the raster position that the render left.
template <typename Text>
RasterPosition renderAt(int x, int y, const Text& text)
{
    textOverlay.begin2D();
    textOverlay.setPosition(x, y);
    textOverlay << text;
    textOverlay.render();
    const RasterPosition after = rasterPosition();
    textOverlay.end2D();
    return after;
}

}  // namespace

TEST_F(OverlayTest, OverlayModeRestoresMatricesAndLeavesLightingOn)
{
    for (bool lightingBefore : {true, false}) {
        SCOPED_TRACE(lightingBefore ? "lighting on before" : "lighting off before");
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        gluPerspective(30.0, 2.0, 1.0, 50.0);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glTranslatef(1.0f, 2.0f, -3.0f);
        glRotatef(30.0f, 0.0f, 0.0f, 1.0f);
        GLdouble projectionBefore[16];
        GLdouble modelviewBefore[16];
        glGetDoublev(GL_PROJECTION_MATRIX, projectionBefore);
        glGetDoublev(GL_MODELVIEW_MATRIX, modelviewBefore);
        textOverlay.setColor(0.25f, 0.5f, 0.75f, 1.0f);
        glColor4f(1.0f, 0.0f, 0.0f, 0.5f);
        if (lightingBefore) {
            glEnable(GL_LIGHTING);
        } else {
            glDisable(GL_LIGHTING);
        }
        glMatrixMode(GL_PROJECTION);

        textOverlay.begin2D();
        textOverlay.end2D();

        GLdouble projection[16];
        GLdouble modelview[16];
        glGetDoublev(GL_PROJECTION_MATRIX, projection);
        glGetDoublev(GL_MODELVIEW_MATRIX, modelview);
        for (int i = 0; i < 16; ++i) {
            EXPECT_EQ(projection[i], projectionBefore[i]) << "projection entry " << i;
            EXPECT_EQ(modelview[i], modelviewBefore[i]) << "modelview entry " << i;
        }
        EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
        GLint mode = 0;
        glGetIntegerv(GL_MATRIX_MODE, &mode);
        EXPECT_EQ(mode, GL_MODELVIEW);
        GLfloat colour[4];
        glGetFloatv(GL_CURRENT_COLOR, colour);
        EXPECT_FLOAT_EQ(colour[0], 0.25f);
        EXPECT_FLOAT_EQ(colour[1], 0.5f);
        EXPECT_FLOAT_EQ(colour[2], 0.75f);
        EXPECT_FLOAT_EQ(colour[3], 1.0f);
    }
}

TEST_F(OverlayTest, IntegerIsDrawnAsTwoGlyphsAtThePosition)
{
    const RasterPosition after = renderAt(100, 200, 57);

    EXPECT_FLOAT_EQ(after.x, 100.0f + 2 * GLYPH_WIDTH);
    EXPECT_FLOAT_EQ(after.y, 200.0f);
    const Picture picture = readBackBuffer();
    EXPECT_GT(whiteInCell(picture, 100, 200), 10) << "no 5";
    EXPECT_GT(whiteInCell(picture, 100 + GLYPH_WIDTH, 200), 10) << "no 7";
    EXPECT_EQ(litAnywhere(picture), whiteInCell(picture, 100, 200, 2)) << "pixels outside the two glyphs";
}

TEST_F(OverlayTest, NewlineStartsTheNextLineAtTheSameXOneFontHeightLower)
{
    const RasterPosition after = renderAt(10, 40, "ab\nc");

    EXPECT_EQ(textOverlay.y, 25);
    EXPECT_FLOAT_EQ(after.x, 10.0f + GLYPH_WIDTH);
    EXPECT_FLOAT_EQ(after.y, 25.0f);
    const Picture picture = readBackBuffer();
    EXPECT_GT(whiteInCell(picture, 10, 40, 2), 20) << "no a and b";
    EXPECT_GT(whiteInCell(picture, 10, 25), 10) << "no c";
    EXPECT_EQ(litAnywhere(picture), whiteInCell(picture, 10, 40, 2) + whiteInCell(picture, 10, 25));
}

TEST_F(OverlayTest, RenderDrawsOnlyWhatWasWrittenSinceTheLastRender)
{
    RasterPosition after = renderAt(50, 300, 12345);
    EXPECT_FLOAT_EQ(after.x, 50.0f + 5 * GLYPH_WIDTH);

    // Nothing written: nothing drawn and the raster position stays.
    glClear(GL_COLOR_BUFFER_BIT);
    textOverlay.begin2D();
    textOverlay.setPosition(50, 300);
    textOverlay.render();
    after = rasterPosition();
    textOverlay.end2D();
    EXPECT_FLOAT_EQ(after.x, 50.0f);
    EXPECT_EQ(litAnywhere(readBackBuffer()), 0);

    // A shorter text after a longer one: only the shorter is drawn.
    glClear(GL_COLOR_BUFFER_BIT);
    after = renderAt(50, 300, 9);
    EXPECT_FLOAT_EQ(after.x, 50.0f + GLYPH_WIDTH);
    const Picture picture = readBackBuffer();
    EXPECT_GT(whiteInCell(picture, 50, 300), 10);
    EXPECT_EQ(litAnywhere(picture), whiteInCell(picture, 50, 300));
}

TEST_F(OverlayTest, BytesAbove127AreDrawnAsLatin1Glyphs)
{
    const RasterPosition after = renderAt(200, 100, "\xE9");  // e acute

    EXPECT_FLOAT_EQ(after.x, 200.0f + GLYPH_WIDTH);
    EXPECT_GT(whiteInCell(readBackBuffer(), 200, 100), 5);
}

using FrameRateTest = ProgramTest;

TEST_F(FrameRateTest, FigureInTheLowerLeftGainsADigitOnceMoreThanASecondHasPassed)
{
    // Ten frames 120 ms apart: the tenth, at 1080 ms, closes the first
    // second and shows "10"; the ninth, at 960 ms, still shows "0".
    for (int frame = 1; frame <= 9; ++frame) {
        drawFrames(1);
        clock.advance(120);
    }
    Picture picture = readWindow();
    EXPECT_GT(whiteInCell(picture, 10, 10), 10) << "no figure";
    EXPECT_EQ(whiteInCell(picture, 10 + GLYPH_WIDTH, 10), 0) << "a second digit before a second has passed";

    drawFrames(1);
    picture = readWindow();
    EXPECT_GT(whiteInCell(picture, 10, 10), 10);
    EXPECT_GT(whiteInCell(picture, 10 + GLYPH_WIDTH, 10), 10) << "no second digit after more than a second";
}

TEST_F(FrameRateTest, FigureIsDepthTestedAndLeavesLightingAndDepthTestOn)
{
    // The figure lies at depth 0.5 in the overlay's projection: a nearer
    // depth buffer hides it, a clear one does not.
    glClearDepth(0.25);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glDisable(GL_LIGHTING);
    frameRateCounter.draw();
    EXPECT_EQ(litAnywhere(readBackBuffer()), 0);
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));

    glClearDepth(1.0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    frameRateCounter.draw();
    EXPECT_GT(whiteInCell(readBackBuffer(), 10, 10), 10);
}
