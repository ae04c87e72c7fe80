// The window placement, the pointer's home and the keyboard handler; none
// needs a display.
#include "app/shell.h"

#include "camera/input.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

TEST(WindowPlacement, CentredWithAnArithmeticHalving)
{
    // Odd differences round down, also below zero: -1 >> 1 is -1 where a
    // division would give 0. A screen smaller than the window gives a
    // negative position, passed on as it is.
    struct Case {
        int window, screenWidth, screenHeight, x, y;
    };
    for (const Case& k : {Case{500, 1280, 1024, 390, 262}, Case{500, 1279, 1023, 389, 261},
                          Case{500, 499, 397, -1, -52}, Case{500, 320, 200, -90, -150}}) {
        const WindowPosition p = centredWindowPosition(k.window, k.window, k.screenWidth, k.screenHeight);
        EXPECT_EQ(p.x, k.x) << k.screenWidth << " x " << k.screenHeight;
        EXPECT_EQ(p.y, k.y) << k.screenWidth << " x " << k.screenHeight;
    }
}

TEST(PointerHome, TheCentreWhileTheScreenShowsItElseTheMiddleOfWhatItShows)
{
    // A 500 x 500 window, centre (250, 250), on a 1280 x 1024 screen.
    struct Case {
        int x, y;          // the window's position on the screen
        int homeX, homeY;  // window pixels
    };
    for (const Case& k : {Case{390, 262, 250, 250}, Case{-249, -249, 250, 250},  // centre on the first pixel
                          Case{1029, 773, 250, 250},                              // and on the last
                          Case{-251, 0, 375, 250},   // off the left: 251 to 499 shows
                          Case{0, 774, 250, 125},    // off the bottom: rows 0 to 249 show
                          Case{1000, 800, 140, 112},  // off the bottom right corner
                          Case{1280, 0, 250, 250}, Case{-500, -500, 250, 250}}) {  // nothing shows
        const WindowCentre home = pointerHome(WindowCentre{250, 250}, k.x, k.y, 500, 500, 1280, 1024);
        EXPECT_EQ(home.x, k.homeX) << "window at (" << k.x << ", " << k.y << ")";
        EXPECT_EQ(home.y, k.homeY) << "window at (" << k.x << ", " << k.y << ")";
    }
    // Larger than the screen: 890 x 762 of it shows from (390, 262).
    const WindowCentre large = pointerHome(WindowCentre{1000, 1000}, 390, 262, 2000, 2000, 1280, 1024);
    EXPECT_EQ(large.x, 445);
    EXPECT_EQ(large.y, 381);
}

TEST(KeyboardDeathTest, EscapeEndsTheProcessWithStatusOneAndOtherKeysAreIgnored)
{
    EXPECT_EXIT(onKeyboard(27, 250, 250), testing::ExitedWithCode(1), "");
    // In a child, so that a wrong exit shows as a status.
    EXPECT_EXIT(
        {
            for (const unsigned char key : {'q', 'Q', ' ', '\r', '\0', '\x1a', '\x1c', '\x7f', '\xff'}) {
                onKeyboard(key, 0, 0);
            }
            std::exit(0);
        },
        testing::ExitedWithCode(0), "");
}

}  // namespace
