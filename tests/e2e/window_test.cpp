// The built program seen from outside: its window, its picture, the keyboard,
// its silence, and what happens without a display.
#include "tests/support/program.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

using namespace std::chrono_literals;

namespace {

// The frame-rate figure is drawn from (10, 10) above the lower left corner in
// a 9 x 15 font: white glyphs of at least two digits, and nothing white
// around them.
void expectFrameRateFigure(const Picture& shot)
{
    const Box glyphs = shot.bounds(Box{0, shot.height - 60, 120, shot.height}, isWhite);
    ASSERT_FALSE(glyphs.empty()) << "no figure in the lower left corner";
    EXPECT_GE(glyphs.left, 10);
    EXPECT_LE(glyphs.right, 64);
    EXPECT_GE(glyphs.top, shot.height - 26);
    EXPECT_LE(glyphs.bottom, shot.height - 9);
    EXPECT_GT(glyphs.right - glyphs.left, 9);
    EXPECT_GE(shot.count(glyphs, isWhite), 20);
}

// What the figure's wait looks for: white wider than one glyph in the corner.
bool showsFigure(const Picture& shot)
{
    const Box glyphs = shot.bounds(Box{0, shot.height - 60, 120, shot.height}, isWhite);
    return !glyphs.empty() && glyphs.right - glyphs.left > 9;
}

}  // namespace

TEST(Program, OpensItsWindowDrawsAnimatesIgnoresOtherKeysAndEndsOnEscape)
{
    MarelProgram program;
    ASSERT_EQ(program.waitForWindow(), 1) << program.standardError();

    // Centred on the 1280 x 1024 screen, the pointer parked at the window's
    // centre and hidden.
    EXPECT_EQ(program.geometry(), "500x500+390+262");
    EXPECT_TRUE(program.waitForPointer(Point{640, 512}));
    EXPECT_TRUE(waitUntil("the cursor hidden", [&] { return program.cursorInvisible(); }));

    // The counter shows its first figure once a whole second's frames are in.
    Picture first;
    ASSERT_TRUE(program.waitForPicture("a frame-rate figure of two digits", showsFigure, &first));
    expectFrameRateFigure(first);
    // The 9.8 x 9.8 surface seen from (0, 25, 10) covers roughly 230 x 75
    // pixels in the middle, lit grey to white, with the axes in pure colours;
    // above it lies only the black background.
    ASSERT_EQ(first.width, 500);
    ASSERT_EQ(first.height, 500);
    const Box middle{100, 100, 400, 400};
    EXPECT_GT(first.count(middle, isSurface), 5000);
    EXPECT_GT(first.count(middle, isRed), 40);
    EXPECT_GT(first.count(middle, isGreen), 4);
    EXPECT_GT(first.count(middle, isBlue), 150);
    EXPECT_EQ(first.count(Box{0, 0, 500, 100}, [](Rgb c) { return std::max({c.r, c.g, c.b}) > 24; }), 0);

    // Keys other than Escape reach the window (focus follows the pointer,
    // which is in it) and change nothing: frames drawn after them still show
    // the figure, and waves that moved before them move on. (Under heavy load
    // the first drawn frame, the driver preparing its lit pipeline, can
    // outlast the 314 ms pulse of the wall-clock source: the water then stays
    // flat, and there are no waves to watch.)
    const auto movedSince = [&](const Picture& from, std::chrono::milliseconds deadline) {
        return waitFor(
            "waves moving: pixels of the middle changed", [&] { return from.differences(program.screenshot(), middle); },
            [](int changed) { return changed > 500; }, nullptr, deadline);
    };
    const bool waves = movedSince(first, 3s);
    for (const char* key : {"q", "a", "Return", "Up"}) {
        program.xdotool({"key", key});
    }
    ASSERT_TRUE(program.waitForFrames(3)) << "a key other than Escape ended the program";
    const Picture afterKeys = program.screenshot();
    expectFrameRateFigure(afterKeys);
    if (waves) {
        EXPECT_TRUE(movedSince(afterKeys, WAIT_DEADLINE)) << "the waves stopped";
    }

    program.pressEscape();
    EXPECT_TRUE(program.waitForEnd(1)) << "Escape must end the program with status 1";
    EXPECT_EQ(program.standardOutput(), "");
    EXPECT_EQ(program.standardError(), "");
}

TEST(Program, WithoutADisplayTheToolkitEndsItWithAMessage)
{
    MarelProgram program(false);
    const std::optional<int> status = program.waitForExit(WAIT_DEADLINE);
    ASSERT_TRUE(status) << "the program hung without a display";
    EXPECT_TRUE(*status > 0 && *status < 128) << *status;
    EXPECT_NE(program.standardError().find("failed to open display"), std::string::npos) << program.standardError();
    EXPECT_EQ(program.standardOutput(), "");
}

// The program under a checking tool, named by MAREL_CHECKED_RUN as a command
// prefix (valgrind's command line, say; empty for an AddressSanitizer build's
// own program or for the packaged one named by MAREL_PROGRAM): start, drawn
// frames, pointer, buttons and keys, Escape. Slow under such tools, so it
// runs only when asked for, with deadlines of two minutes.
TEST(CheckedRun, StartsDrawsTakesInputAndEndsOnEscape)
{
    const char* runUnder = std::getenv("MAREL_CHECKED_RUN");
    if (runUnder == nullptr) {
        GTEST_SKIP() << "MAREL_CHECKED_RUN is not set";
    }
    constexpr auto SLOW = 120s;
    MarelProgram program(std::make_shared<XvfbServer>(), runUnder);
    ASSERT_EQ(program.waitForWindow(SLOW), 1) << program.standardError();
    ASSERT_TRUE(program.waitForPicture(
        "a drawn frame", [](const Picture& s) { return s.count(s.whole(), isLit) > 0; },
        nullptr, SLOW));

    // Each input is followed by two drawn frames, so that the program has
    // handled it before the next.
    const std::string window = std::to_string(program.window());
    for (const std::vector<std::string>& input :
         {std::vector<std::string>{"mousemove", "--window", window, "250", "250"},
          {"mousemove_relative", "--", "40", "-20"},
          {"mousedown", "1", "sleep", "0.5", "mouseup", "1"},
          {"mousedown", "3", "sleep", "0.5", "mouseup", "3"},
          {"key", "q"}}) {
        EXPECT_EQ(program.xdotool(input), 0);
        ASSERT_TRUE(program.waitForFrames(2, SLOW)) << input.front();
    }
    program.pressEscape();
    EXPECT_TRUE(program.waitForEnd(1, SLOW));
    EXPECT_EQ(program.standardOutput(), "");
    EXPECT_EQ(program.standardError(), "");
}
