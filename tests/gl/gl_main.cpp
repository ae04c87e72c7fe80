// Entry of the GL tests: one private X server and one window for the process.
#include "tests/support/gl_window.h"

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new GlWindowEnvironment);
    return RUN_ALL_TESTS();
}
