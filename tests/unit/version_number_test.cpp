#include <gtest/gtest.h>

#include "protocol/version_number.h"

namespace {

struct ParseCase {
    const char* text;
    uint32_t parts[4];
};

class VersionParsing : public ::testing::TestWithParam<ParseCase> {};

TEST_P(VersionParsing, ReadsFourFields)
{
    const VersionNumber v = ParseVersion(GetParam().text);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(v.part[i], GetParam().parts[i]) << "\"" << GetParam().text << "\" field " << i + 1;
}

INSTANTIATE_TEST_SUITE_P(
    Texts, VersionParsing,
    ::testing::Values(ParseCase{"2.0.10.7", {2, 0, 10, 7}},
                      ParseCase{"1.2.3.4.5", {1, 2, 3, 4}},       // a fifth field is ignored
                      ParseCase{"1023456", {1, 0, 23, 456}},      // compact form
                      ParseCase{"1234", {1, 2, 34, 0}},
                      ParseCase{"1.2.x3.4", {1, 2, 0, 4}},        // like atoi: no digits give 0
                      ParseCase{" 7.08.9a.10", {7, 8, 9, 10}},    // blanks, leading zeros, trailing junk
                      ParseCase{"1.-1.0.0", {1, 4294967295u, 0, 0}},
                      ParseCase{"1.2.3", {1, 2, 3, 0}},           // fewer dots: missing fields are 0
                      ParseCase{"12", {12, 0, 0, 0}},
                      ParseCase{"", {0, 0, 0, 0}}));

struct OrderCase {
    const char* older;
    const char* newer;
};

class VersionOrder : public ::testing::TestWithParam<OrderCase> {};

TEST_P(VersionOrder, ComparesNumbersFieldByField)
{
    const VersionNumber a = ParseVersion(GetParam().older);
    const VersionNumber b = ParseVersion(GetParam().newer);
    EXPECT_TRUE(a < b) << GetParam().older << " < " << GetParam().newer;
    EXPECT_FALSE(b < a);
    EXPECT_FALSE(a < a);
}

INSTANTIATE_TEST_SUITE_P(Pairs, VersionOrder,
                         ::testing::Values(OrderCase{"2.0.0.0", "10.0.0.0"},   // numeric, not text
                                           OrderCase{"1.0.0.9", "1.0.1.0"},
                                           OrderCase{"1.2.3.4", "1.2.3.5"},
                                           OrderCase{"1.9.9.9", "2.0.0.0"},
                                           OrderCase{"1.9.9.9", "1.-1.0.0"}));  // negative reads huge

}  // namespace
