// The text overlay and the frame-rate figure on a real context: GL state
// around the overlay, where glyphs land, and what a render draws.
#include "tests/support/gl_window.h"

#include "overlay/text_overlay.h"

#include "platform/gl_headers.h"

#include <algorithm>
#include <array>

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

// White pixels in the cells of `glyphs` glyphs on the baseline from (x, y):
// 9 pixels a glyph, from 4 below the baseline to 12 above it.
int whiteInCell(const Picture& picture, int x, int y, int glyphs = 1)
{
    return picture.count(fromGl(x, y - 4, x + glyphs * GLYPH_WIDTH, y + 12), isWhite);
}

// Shows what was drawn and reads it, then starts the next drawing on black.
Picture shown()
{
    glutSwapBuffers();
    glClear(GL_COLOR_BUFFER_BIT);
    return readWindow();
}

// Writes `text` and renders what was written since the last render from
// (x, y); returns the raster x position that the render left.
float renderAt(int x, int y, const char* text)
{
    textOverlay.begin2D();
    textOverlay.setPosition(x, y);
    textOverlay << text;
    textOverlay.render();
    GLfloat raster[4];
    glGetFloatv(GL_CURRENT_RASTER_POSITION, raster);
    textOverlay.end2D();
    return raster[0];
}

TEST_F(OverlayTest, OverlayModeRestoresMatricesLeavesLightingOnAndItsColourCurrent)
{
    for (bool lightingBefore : {true, false}) {
        SCOPED_TRACE(lightingBefore ? "lighting on before" : "lighting off before");
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        gluPerspective(30.0, 2.0, 1.0, 50.0);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glTranslatef(1.0f, 2.0f, -3.0f);
        const Matrix projection = matrix(GL_PROJECTION_MATRIX);
        const Matrix modelview = matrix(GL_MODELVIEW_MATRIX);
        textOverlay.setColor(0.25f, 0.5f, 0.75f, 1.0f);
        glColor4f(1.0f, 0.0f, 0.0f, 0.5f);
        lightingBefore ? glEnable(GL_LIGHTING) : glDisable(GL_LIGHTING);
        glMatrixMode(GL_PROJECTION);

        textOverlay.begin2D();
        textOverlay.end2D();
        EXPECT_EQ(matrix(GL_PROJECTION_MATRIX), projection);
        EXPECT_EQ(matrix(GL_MODELVIEW_MATRIX), modelview);
        EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
        EXPECT_EQ(integerState(GL_MATRIX_MODE), GL_MODELVIEW);
        std::array<GLfloat, 4> colour;
        glGetFloatv(GL_CURRENT_COLOR, colour.data());
        EXPECT_EQ(colour, (std::array<GLfloat, 4>{0.25f, 0.5f, 0.75f, 1.0f}));
    }
}

TEST_F(OverlayTest, GlyphsLandAtThePositionAndANewlineStartsTheNextLineBelow)
{
    EXPECT_FLOAT_EQ(renderAt(100, 200, "57"), 100.0f + 2 * GLYPH_WIDTH);
    renderAt(10, 40, "ab\nc");
    EXPECT_EQ(textOverlay.y, 25) << "one 15-pixel font height lower";
    const Picture picture = shown();
    for (const Point& glyph : {Point{100, 200}, Point{109, 200}, Point{10, 40}, Point{19, 40}, Point{10, 25}}) {
        EXPECT_GT(whiteInCell(picture, glyph.x, glyph.y), 10) << "no glyph at " << glyph.x << ", " << glyph.y;
    }
    EXPECT_EQ(picture.count(TEST_WINDOW, isLit),
              whiteInCell(picture, 100, 200, 2) + whiteInCell(picture, 10, 40, 2) + whiteInCell(picture, 10, 25))
        << "pixels outside the expected glyphs";
}

TEST_F(OverlayTest, RenderDrawsOnlyWhatWasWrittenSinceTheLastRender)
{
    renderAt(50, 300, "12345");
    shown();
    EXPECT_FLOAT_EQ(renderAt(50, 300, ""), 50.0f);
    EXPECT_EQ(shown().count(TEST_WINDOW, isLit), 0) << "drawn again with nothing written";
    EXPECT_FLOAT_EQ(renderAt(50, 300, "9"), 50.0f + GLYPH_WIDTH);
    const Picture picture = shown();
    EXPECT_GT(whiteInCell(picture, 50, 300), 10);
    EXPECT_EQ(picture.count(TEST_WINDOW, isLit), whiteInCell(picture, 50, 300)) << "the older, longer text was drawn too";
}

TEST_F(OverlayTest, BytesAbove127AreDrawnAsLatin1Glyphs)
{
    // Deliberately passed on unsigned: as a plain char the toolkit would drop it.
    EXPECT_FLOAT_EQ(renderAt(200, 100, "\xE9"), 200.0f + GLYPH_WIDTH);  // e acute
    EXPECT_GT(whiteInCell(shown(), 200, 100), 5);
}

TEST_F(OverlayTest, FrameRateFigureIsDrawnAtTheLowerLeft)
{
    // Ten frames 120 ms apart: the tenth, at 1080 ms, closes the first second.
    for (int frame = 1; frame <= 10; ++frame) {
        drawFrames(1);
        clock.advance(120);
        if (frame == 9) {
            EXPECT_EQ(whiteInCell(readWindow(), 10 + GLYPH_WIDTH, 10), 0) << "a second digit within the first second";
        }
    }
    const Picture picture = readWindow();
    EXPECT_GT(whiteInCell(picture, 10, 10), 10) << "no 1";
    EXPECT_GT(whiteInCell(picture, 10 + GLYPH_WIDTH, 10), 10) << "no 0";
}

}  // namespace
