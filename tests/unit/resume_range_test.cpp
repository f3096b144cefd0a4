#include <gtest/gtest.h>

#include <ostream>

#include "protocol/resume_range.h"

namespace {

struct ValidatorCase {
    const char* entityTag;
    const char* validator;
};

class Validator : public ::testing::TestWithParam<ValidatorCase> {};

// A date, a weak tag or no tag leaves nothing that ties a later range to the
// bytes already held: such an answer is fetched whole again.
TEST_P(Validator, IsOnlyAStrongTag)
{
    EXPECT_EQ(ResumeValidator(GetParam().entityTag), GetParam().validator);
}

INSTANTIATE_TEST_SUITE_P(Answers, Validator,
                         ::testing::Values(ValidatorCase{"\"5f1e-989680\"", "\"5f1e-989680\""},
                                           ValidatorCase{"W/\"5f1e-989680\"", ""},
                                           ValidatorCase{"5f1e", ""},  // unquoted: no tag
                                           ValidatorCase{"\"", ""},
                                           ValidatorCase{"", ""},
                                           // Nothing that could end a header line goes into a request.
                                           ValidatorCase{"\"a\r\nRange: bytes=0-\"", ""}));

TEST(ResumeRequest, AsksForTheRestUnderTheValidator)
{
    EXPECT_EQ(ResumeRequestHeaders(9000000, "\"5f1e-989680\""),
              "Range: bytes=9000000-\r\nIf-Range: \"5f1e-989680\"\r\n");
    EXPECT_EQ(ResumeRequestHeaders(18446744073709551615u, "\"a\""),
              "Range: bytes=18446744073709551615-\r\nIf-Range: \"a\"\r\n");
}

// 9,000,000 of 10,000,000 bytes held under "5f1e-989680".
struct HeldCase {
    const char* why;
    ResumeAnswer answer;
    bool continues;
};

std::ostream& operator<<(std::ostream& out, const HeldCase& c)
{
    return out << c.why;
}

class HeldBytes : public ::testing::TestWithParam<HeldCase> {};

TEST_P(HeldBytes, ContinueOnlyUnderTheSameStrongTag)
{
    EXPECT_EQ(ContinuesHeldBytes(GetParam().answer, "\"5f1e-989680\"", 9000000, 10000000), GetParam().continues);
}

const char kRest[] = "bytes 9000000-9999999/10000000";

INSTANTIATE_TEST_SUITE_P(
    Answers, HeldBytes,
    ::testing::Values(HeldCase{"the same tag", {"\"5f1e-989680\"", kRest, 1000000}, true},
                      HeldCase{"another tag", {"\"5f1e-98967f\"", kRest, 1000000}, false},
                      HeldCase{"no tag", {"", kRest, 1000000}, false},
                      HeldCase{"the same tag made weak", {"W/\"5f1e-989680\"", kRest, 1000000}, false},
                      HeldCase{"another range", {"\"5f1e-989680\"", "bytes 8999999-9999999/10000000", 1000001},
                               false},
                      HeldCase{"a length other than the rest", {"\"5f1e-989680\"", kRest, 999999}, false}));

TEST(HeldBytes, NothingContinuesWithoutAValidator)
{
    EXPECT_FALSE(ContinuesHeldBytes({"", kRest, 1000000}, "", 9000000, 10000000));
}

struct RangeCase {
    const char* contentRange;
    uint64_t from;
    uint64_t total;
    bool continues;
};

class PartialAnswer : public ::testing::TestWithParam<RangeCase> {};

TEST_P(PartialAnswer, ContinuesOnlyWithExactlyTheRest)
{
    EXPECT_EQ(ContinuesFrom(GetParam().contentRange, GetParam().from, GetParam().total), GetParam().continues)
        << GetParam().contentRange;
}

INSTANTIATE_TEST_SUITE_P(
    ContentRanges, PartialAnswer,
    ::testing::Values(RangeCase{"bytes 9000000-9999999/10000000", 9000000, 10000000, true},
                      RangeCase{"bytes 9999999-9999999/10000000", 9999999, 10000000, true},
                      RangeCase{"bytes 0-9999999/10000000", 0, 10000000, true},
                      RangeCase{"bytes 8000000-9999999/10000000", 9000000, 10000000, false},  // other start
                      RangeCase{"bytes 9000000-9499999/10000000", 9000000, 10000000, false},  // not to the end
                      RangeCase{"bytes 9000000-10999999/11000000", 9000000, 10000000, false},  // the file grew
                      RangeCase{"bytes 9000000-9999999/*", 9000000, 10000000, false},
                      RangeCase{"bytes */10000000", 9000000, 10000000, false},  // unsatisfiable
                      RangeCase{"bytes 10000000-9999999/10000000", 10000000, 10000000, false},
                      RangeCase{"bytes 0--1/0", 0, 0, false},
                      RangeCase{"Bytes 9000000-9999999/10000000", 9000000, 10000000, false},
                      RangeCase{"bytes  9000000-9999999/10000000", 9000000, 10000000, false},
                      RangeCase{"bytes 9000000-9999999/10000000 ", 9000000, 10000000, false},
                      RangeCase{"bytes +9000000-9999999/10000000", 9000000, 10000000, false},
                      RangeCase{"bytes 9000000-18446744073709551616/10000000", 9000000, 10000000, false},
                      RangeCase{"", 9000000, 10000000, false}));

}  // namespace
