#include <gtest/gtest.h>

#include "protocol/resume_range.h"

namespace {

struct ValidatorCase {
    const char* entityTag;
    const char* lastModified;
    const char* validator;
};

class Validator : public ::testing::TestWithParam<ValidatorCase> {};

TEST_P(Validator, IsTheStrongTagOrElseTheDate)
{
    EXPECT_EQ(ResumeValidator(GetParam().entityTag, GetParam().lastModified), GetParam().validator);
}

const char kDate[] = "Wed, 09 Dec 2026 10:00:00 GMT";

INSTANTIATE_TEST_SUITE_P(
    Answers, Validator,
    ::testing::Values(ValidatorCase{"\"5f1e-989680\"", kDate, "\"5f1e-989680\""},
                      ValidatorCase{"\"5f1e-989680\"", "", "\"5f1e-989680\""},
                      ValidatorCase{"W/\"5f1e-989680\"", kDate, kDate},  // weak: the date decides
                      ValidatorCase{"W/\"5f1e-989680\"", "", ""},
                      ValidatorCase{"5f1e", kDate, kDate},               // unquoted: no tag
                      ValidatorCase{"\"", kDate, kDate},
                      ValidatorCase{"", kDate, kDate},
                      ValidatorCase{"", "", ""},
                      // Nothing that could end a header line goes into a request.
                      ValidatorCase{"\"a\r\nRange: bytes=0-\"", "", ""},
                      ValidatorCase{"", "Wed\n, 09 Dec", ""}));

TEST(ResumeRequest, AsksForTheRestUnderTheValidator)
{
    EXPECT_EQ(ResumeRequestHeaders(9000000, "\"5f1e-989680\""),
              "Range: bytes=9000000-\r\nIf-Range: \"5f1e-989680\"\r\n");
    EXPECT_EQ(ResumeRequestHeaders(18446744073709551615u, kDate),
              std::string("Range: bytes=18446744073709551615-\r\nIf-Range: ") + kDate + "\r\n");
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
