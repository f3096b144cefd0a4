#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "system/log_line.h"

namespace {

const LogStamp kStamp{2026, 12, 1, 9, 5, 7, 42, 1234};

struct LineCase {
    const char* name;
    std::string text;
    std::string line;
};

std::ostream& operator<<(std::ostream& out, const LineCase& c)
{
    return out << c.name;
}

class LogLineTable : public ::testing::TestWithParam<LineCase> {};

TEST_P(LogLineTable, IsOneLineWithTimeAndThread)
{
    EXPECT_EQ(FormatLogLine(kStamp, GetParam().text), GetParam().line);
}

INSTANTIATE_TEST_SUITE_P(
    FormatLogLine, LogLineTable,
    ::testing::Values(
        LineCase{"plain", "start", "2026-12-01 09:05:07.042 [1234] start\r\n"},
        LineCase{"empty", "", "2026-12-01 09:05:07.042 [1234] \r\n"},
        LineCase{"breaks", "a\r\nb\nc", "2026-12-01 09:05:07.042 [1234] a  b c\r\n"},
        LineCase{"controls", std::string("t\tz\0y\x7f", 6), std::string("2026-12-01 09:05:07.042 [1234] t z y \r\n")},
        // GBK bytes (here "下载") pass untouched.
        LineCase{"gbk", "\xCF\xC2\xD4\xD8", "2026-12-01 09:05:07.042 [1234] \xCF\xC2\xD4\xD8\r\n"}),
    [](const ::testing::TestParamInfo<LineCase>& info) { return std::string(info.param.name); });

TEST(FormatLogLine, WidestFieldsStayWhole)
{
    const LogStamp stamp{9999, 12, 31, 23, 59, 59, 999, 4294967295ul};
    EXPECT_EQ(FormatLogLine(stamp, "x"), "9999-12-31 23:59:59.999 [4294967295] x\r\n");
}

struct RotationCase {
    uint64_t fileSize;
    uint64_t lineSize;
    bool due;
};

std::ostream& operator<<(std::ostream& out, const RotationCase& c)
{
    return out << c.fileSize << " + " << c.lineSize;
}

class RotationTable : public ::testing::TestWithParam<RotationCase> {};

TEST_P(RotationTable, RotatesBeforePassingTheCap)
{
    EXPECT_EQ(RotationDue(GetParam().fileSize, GetParam().lineSize, 100), GetParam().due);
}

INSTANTIATE_TEST_SUITE_P(RotationDue, RotationTable,
                         ::testing::Values(RotationCase{0, 10, false},    // a fresh file
                                           RotationCase{90, 10, false},   // exactly at the cap
                                           RotationCase{91, 10, true},    // one byte past it
                                           RotationCase{100, 1, true},    // a full file
                                           RotationCase{0, 500, false},   // a long line still goes into an empty file
                                           RotationCase{1, 500, true}));

TEST(RotationDue, TheShippedCapIsOneMebibyte)
{
    EXPECT_FALSE(RotationDue(kSupportLogCap - 100, 100, kSupportLogCap));
    EXPECT_TRUE(RotationDue(kSupportLogCap - 100, 101, kSupportLogCap));
}

struct PathCase {
    const char* temp;
    const char* program;
    const char* log;
};

std::ostream& operator<<(std::ostream& out, const PathCase& c)
{
    return out << c.program;
}

class LogPathTable : public ::testing::TestWithParam<PathCase> {};

TEST_P(LogPathTable, FollowsTheProgramsName)
{
    EXPECT_EQ(SupportLogPath(GetParam().temp, GetParam().program), GetParam().log);
}

INSTANTIATE_TEST_SUITE_P(
    SupportLogPath, LogPathTable,
    ::testing::Values(PathCase{"C:\\Temp\\", "C:\\x\\pellis_811.exe", "C:\\Temp\\pellis_811.log"},
                      PathCase{"C:\\Temp", "C:\\x\\pellis_811.exe", "C:\\Temp\\pellis_811.log"},
                      PathCase{"C:\\Temp\\", "C:\\a.b\\pellis_old.exe", "C:\\Temp\\pellis_old.log"},
                      PathCase{"C:\\Temp\\", "C:\\x\\noext", "C:\\Temp\\noext.log"},
                      PathCase{"C:\\Temp\\", "C:\\x\\my.app.exe", "C:\\Temp\\my.app.log"},
                      PathCase{"C:\\Temp\\", "pellis_815.exe", "C:\\Temp\\pellis_815.log"}));

TEST(OlderGenerationPath, KeepsOneGenerationBeside)
{
    EXPECT_EQ(OlderGenerationPath("C:\\Temp\\pellis_811.log"), "C:\\Temp\\pellis_811.log.1");
}

}  // namespace
