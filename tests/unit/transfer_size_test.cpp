// Sizes from 2 GiB up: the Content-Length as read, and the counts the
// progress display takes.
#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <string>

#include "engine/progress_units.h"
#include "protocol/content_length.h"

namespace {

constexpr uint64_t kGiB = uint64_t{1} << 30;

struct LengthCase {
    const char* text;
    bool parsed;
    uint64_t length;
};

std::ostream& operator<<(std::ostream& out, const LengthCase& c)
{
    return out << '"' << c.text << '"';
}

class ContentLength : public ::testing::TestWithParam<LengthCase> {};

TEST_P(ContentLength, IsReadAsA64BitNumber)
{
    uint64_t length = 12345;
    EXPECT_EQ(ParseContentLength(GetParam().text, &length), GetParam().parsed);
    EXPECT_EQ(length, GetParam().parsed ? GetParam().length : 12345u) << "untouched when refused";
}

INSTANTIATE_TEST_SUITE_P(
    Headers, ContentLength,
    ::testing::Values(LengthCase{"0", true, 0}, LengthCase{"10000", true, 10000},
                      LengthCase{"2147483647", true, 2147483647u}, LengthCase{"2147483648", true, 2147483648u},
                      LengthCase{"4294967295", true, 4294967295u}, LengthCase{"4294967296", true, 4294967296u},
                      LengthCase{"5368709120", true, 5 * kGiB}, LengthCase{"007", true, 7},
                      LengthCase{"18446744073709551615", true, UINT64_MAX},
                      LengthCase{"18446744073709551616", false, 0}, LengthCase{"", false, 0},
                      LengthCase{"-1", false, 0}, LengthCase{"+5", false, 0}, LengthCase{" 5", false, 0},
                      LengthCase{"5 ", false, 0}, LengthCase{"5x", false, 0}, LengthCase{"0x10", false, 0}));

struct ScaleCase {
    uint64_t received;
    uint64_t total;
    uint32_t unitsReceived;
    uint32_t unitsTotal;
};

std::ostream& operator<<(std::ostream& out, const ScaleCase& c)
{
    return out << c.received << " of " << c.total;
}

class ProgressScale : public ::testing::TestWithParam<ScaleCase> {};

TEST_P(ProgressScale, FitsTheBarsSignedRangeAndKeepsTheProportion)
{
    const ScaleCase& c = GetParam();
    const ProgressUnits units = ScaleProgress(c.received, c.total);
    EXPECT_EQ(units.received, c.unitsReceived);
    EXPECT_EQ(units.total, c.unitsTotal);
    EXPECT_LE(units.total, kMaxProgressUnits);
    EXPECT_GE(static_cast<int32_t>(units.total), 0) << "a bar's range is a signed 32-bit value";
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, ProgressScale,
    ::testing::Values(ScaleCase{0, 0, 0, 0}, ScaleCase{0, 1, 0, 1}, ScaleCase{1, 1, 1, 1},
                      ScaleCase{1000, 10000, 1000, 10000},
                      ScaleCase{0x7FFFFFFF, 0x7FFFFFFF, 0x7FFFFFFF, 0x7FFFFFFF},  // the last size in bytes
                      ScaleCase{kGiB, 2 * kGiB, kGiB / 2, kGiB},                  // 2^31: units of two bytes
                      ScaleCase{2 * kGiB, 2 * kGiB, kGiB, kGiB},
                      ScaleCase{2 * kGiB, 4 * kGiB, kGiB / 2, kGiB},      // 2^32: of four
                      ScaleCase{4 * kGiB + 1, 4 * kGiB + 1, kGiB, kGiB},  // 2^32 + 1
                      ScaleCase{0, 4 * kGiB + 1, 0, kGiB},
                      ScaleCase{5 * kGiB / 2, 5 * kGiB, 5 * kGiB / 8, 5 * kGiB / 4},  // 5 GiB: of four
                      ScaleCase{5 * kGiB, 5 * kGiB, 5 * kGiB / 4, 5 * kGiB / 4},
                      ScaleCase{9 * kGiB, 9 * kGiB, 9 * kGiB / 8, 9 * kGiB / 8},  // 9 GiB: of eight
                      ScaleCase{UINT64_MAX, UINT64_MAX, 0x7FFFFFFF, 0x7FFFFFFF}));

}  // namespace
