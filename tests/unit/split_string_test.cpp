#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "system/split_string.h"

namespace {

struct SplitCase {
    std::string text;
    std::string delimiters;
    std::vector<std::string> pieces;
};

std::ostream& operator<<(std::ostream& out, const SplitCase& c)
{
    return out << "\"" << c.text << "\" by \"" << c.delimiters << "\"";
}

class SplitStringTable : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SplitStringTable, GivesThePiecesBetweenRunsOfDelimiters)
{
    EXPECT_EQ(SplitString(GetParam().text, GetParam().delimiters), GetParam().pieces);
}

INSTANTIATE_TEST_SUITE_P(
    SplitString, SplitStringTable,
    ::testing::Values(SplitCase{"C:\\A\\B", "\\", {"C:", "A", "B"}},
                      SplitCase{"C:\\A\\\\B\\", "\\", {"C:", "A", "B"}},     // doubled and trailing
                      SplitCase{"\\\\srv\\share\\x", "\\", {"", "srv", "share", "x"}},  // leading run: one empty piece
                      SplitCase{"\\", "\\", {""}},
                      SplitCase{"", "\\", {""}},
                      SplitCase{"A", "\\", {"A"}},
                      SplitCase{"A\\B", "", {"A\\B"}},
                      SplitCase{"a/b\\c//d", "\\/", {"a", "b", "c", "d"}}));  // any listed character delimits

}  // namespace
