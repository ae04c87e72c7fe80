// The window placement and the keyboard handler; neither needs a display.
#include "app/shell.h"

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
