// The picture the running program draws: the surface, the axes, the idle
// animation and the frame-rate figure in the lower left corner.
#include "tests/support/program.h"

#include <gtest/gtest.h>

#include <chrono>

using namespace std::chrono_literals;

namespace {

// Where the frame-rate figure sits: drawn from (10, 10) pixels above the
// lower left corner in a 9 x 15 font, so a few digits fit in 10..64 across
// and 9..26 up from the bottom edge.
Screenshot::Box frameRateBox(const Screenshot& shot)
{
    return Screenshot::Box{10, shot.height - 26, 64, shot.height - 9};
}

// The middle of the window, where the surface lies at start-up; clear of the
// frame-rate figure.
Screenshot::Box middle(const Screenshot& shot)
{
    return Screenshot::Box{shot.width / 5, shot.height / 5, shot.width * 4 / 5, shot.height * 4 / 5};
}

// Checks that the corner holds a figure of at least `digits` glyphs in white
// and that nothing white strays outside the figure's place.
void expectFrameRateFigure(const Screenshot& shot, int digits)
{
    const Screenshot::Box box = frameRateBox(shot);
    const Screenshot::Box corner{0, shot.height - 60, 120, shot.height};
    const Screenshot::Box glyphs = corner.empty() ? corner : shot.bounds(corner, isWhite);
    ASSERT_FALSE(glyphs.empty()) << "no figure in the lower left corner";
    EXPECT_GE(glyphs.left, box.left);
    EXPECT_LE(glyphs.right, box.right);
    EXPECT_GE(glyphs.top, box.top);
    EXPECT_LE(glyphs.bottom, box.bottom);
    // Each glyph of the font is 9 pixels wide, so n digits span more than
    // 9 (n - 1) pixels.
    EXPECT_GT(glyphs.right - glyphs.left, 9 * (digits - 1));
    EXPECT_GE(shot.count(box, isWhite), 10 * digits);
}

}  // namespace

TEST(Picture, ShowsTheAnimatedSurfaceTheAxesAndTheFrameRate)
{
    MarelProgram program;
    ASSERT_NE(program.waitForWindow(), 0u) << program.standardError();

    sleepFor(2s);
    const Screenshot first = program.screenshot();
    ASSERT_TRUE(first.valid());
    first.keep("picture-2s");
    ASSERT_EQ(first.width, 500);
    ASSERT_EQ(first.height, 500);

    // The 9.8 x 9.8 surface seen from (0, 25, 10) covers roughly 230 x 75
    // pixels in the middle, lit grey to white; the axes are pure colours.
    EXPECT_GT(first.count(middle(first), isSurfaceGrey), 5000);
    EXPECT_GT(first.count(middle(first), isRed), 40);
    EXPECT_GT(first.count(middle(first), isGreen), 4);
    EXPECT_GT(first.count(middle(first), isBlue), 150);
    // Outside the middle only the frame-rate figure is drawn.
    const Screenshot::Box top{0, 0, first.width, first.height / 5};
    EXPECT_EQ(first.count(top, isLit), 0);

    // After two seconds the counter has published a figure: the frames of a
    // whole second, never a single digit on any machine that runs the tests.
    expectFrameRateFigure(first, 2);

    // Nothing is touched, yet the idle loop keeps stepping and drawing.
    sleepFor(1s);
    const Screenshot second = program.screenshot();
    ASSERT_TRUE(second.valid());
    second.keep("picture-3s");
    EXPECT_GT(countDifferences(first, second, middle(first)), 500);

    sleepFor(2s);
    const Screenshot later = program.screenshot();
    ASSERT_TRUE(later.valid());
    later.keep("picture-5s");
    expectFrameRateFigure(later, 2);

    program.pressEscape();
    const ExitResult result = program.waitForExit(2s);
    ASSERT_TRUE(result.exited);
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(program.standardOutput(), "");
    EXPECT_EQ(program.standardError(), "");
}
