#include "ui/install_folder_text.h"

#include <gtest/gtest.h>

TEST(CollapseDoubledBackslashes, ReplacesPairsInOnePass)
{
    const struct {
        const char* text;
        const char* expected;
    } cases[] = {
        {"C:\\\\Aldmoor\\Pellisor", "C:\\Aldmoor\\Pellisor"},
        {"D:\\\\A\\\\\\B", "D:\\A\\\\B"},
        {"\\\\\\\\", "\\\\"},
        {"C:\\Program Files (x86)\\A", "C:\\Program Files (x86)\\A"},
        {"", ""},
        {"\\", "\\"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CollapseDoubledBackslashes(c.text), c.expected) << c.text;
}
