// The window placement, the pointer's home and the keyboard handler; none
// needs a display.
#include "app/shell.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

TEST(WindowPlacement, CentredOnThePrimaryMonitorWithAnArithmeticHalving)
{
    // Odd differences round down, also below zero: -1 >> 1 is -1 where a
    // division would give 0. An area smaller than the window gives a position
    // left of or above it, passed on as it is.
    struct Case {
        ScreenRect area;
        int x, y;
    };
    for (const Case& k : {Case{{0, 0, 1280, 1024}, 390, 262}, Case{{0, 0, 1279, 1023}, 389, 261},
                          Case{{0, 0, 499, 397}, -1, -52}, Case{{0, 0, 320, 200}, -90, -150},
                          Case{{1280, 0, 1920, 1080}, 1990, 290}, Case{{-1024, 56, 1024, 768}, -762, 190}}) {
        const WindowPosition p = centredWindowPosition(500, 500, k.area);
        EXPECT_EQ(p.x, k.x) << k.area.x << ", " << k.area.width << " x " << k.area.height;
        EXPECT_EQ(p.y, k.y) << k.area.y << ", " << k.area.width << " x " << k.area.height;
    }

    // Two monitors side by side: the primary one, or the first when none is
    // marked; the whole screen when the display listed none.
    MonitorLayout two;
    two.count = 2;
    two.monitors[0] = ScreenRect{0, 0, 1280, 1024};
    two.monitors[1] = ScreenRect{1280, 0, 1280, 1024};
    EXPECT_EQ(placementArea(two, 2560, 1024).x, 0);
    two.primary = 1;
    EXPECT_EQ(placementArea(two, 2560, 1024).x, 1280);
    const ScreenRect whole = placementArea(MonitorLayout{}, 2560, 1024);
    EXPECT_EQ(whole.width, 2560);
    EXPECT_EQ(whole.height, 1024);
}

TEST(WindowPlacement, TheDisplayOptionIsReadBeforeTheToolkitTakesIt)
{
    char program[] = "marel", option[] = "-display", name[] = ":7", other[] = "-sync";
    char* withDisplay[] = {program, other, option, name, nullptr};
    EXPECT_STREQ(displayOption(4, withDisplay), ":7");
    char* without[] = {program, other, option, nullptr};  // the option without its value
    EXPECT_EQ(displayOption(3, without), nullptr);
    EXPECT_EQ(displayOption(1, without), nullptr);
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
