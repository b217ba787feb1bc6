#include <gtest/gtest.h>

#include "platform/text/code_page.h"
#include "platform/text/conversion.h"

// Runs with VOX_ANSI_CODEPAGE=932 in its environment.
TEST(CodePageEnvironmentTest, ChoosesTheConfiguredCodePage) {
    EXPECT_EQ(vox::text::ansiCodePage(), 932);
    EXPECT_EQ(vox::text::toWide("\x82\xA0"), u"\u3042");
}
