// The window placement and the keyboard handler; neither needs a display.
#include "app/shell.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

TEST(WindowPlacement, CentredWithAnArithmeticHalving)
{
    const WindowPosition centred = centredWindowPosition(WINDOW_WIDTH, WINDOW_HEIGHT, 1280, 1024);
    EXPECT_EQ(centred.x, 390);
    EXPECT_EQ(centred.y, 262);

    // Odd differences round down, also below zero: -1 >> 1 is -1, where a
    // division would give 0.
    const WindowPosition odd = centredWindowPosition(500, 500, 1279, 1023);
    EXPECT_EQ(odd.x, 389);
    EXPECT_EQ(odd.y, 261);
    const WindowPosition justSmaller = centredWindowPosition(500, 500, 499, 397);
    EXPECT_EQ(justSmaller.x, -1);
    EXPECT_EQ(justSmaller.y, -52);

    // A screen smaller than the window: negative, passed on as it is.
    const WindowPosition small = centredWindowPosition(500, 500, 320, 200);
    EXPECT_EQ(small.x, -90);
    EXPECT_EQ(small.y, -150);
}

TEST(KeyboardDeathTest, EscapeEndsTheProcessWithStatusOne)
{
    EXPECT_EXIT(onKeyboard(27, 250, 250), testing::ExitedWithCode(1), "");
}

TEST(KeyboardDeathTest, OtherKeysAreIgnored)
{
    // Run in a child so that a wrong exit would show as a status, not end
    // this test process.
    EXPECT_EXIT(
        {
            for (const unsigned char key : {'q', 'Q', 'x', ' ', '\r', '\0', '\x1a', '\x1c', '\x7f', '\xff'}) {
                onKeyboard(key, 0, 0);
            }
            std::exit(0);
        },
        testing::ExitedWithCode(0), "");
}

}  // namespace
