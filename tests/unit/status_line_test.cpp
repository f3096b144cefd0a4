// The status line of a pass whose downloads run side by side.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "engine/status_line.h"

namespace {

struct Tick {
    const char* running;  // one character a step: 'r' being fetched, '.' not
    int step;             // named afterwards, -1: nothing yet
    int number;
};

struct LineCase {
    const char* why;
    int first;
    std::vector<Tick> ticks;
};

std::ostream& operator<<(std::ostream& out, const LineCase& c)
{
    return out << c.why;
}

std::vector<bool> Running(const std::string& text)
{
    std::vector<bool> running;
    for (const char c : text)
        running.push_back(c == 'r');
    return running;
}

class StatusLine : public ::testing::TestWithParam<LineCase> {};

TEST_P(StatusLine, NamesARunningStepAndNeverGoesBack)
{
    CStatusLine line(GetParam().first);
    int previous = 0;
    for (const Tick& tick : GetParam().ticks) {
        line.Follow(Running(tick.running));
        SCOPED_TRACE(tick.running);
        EXPECT_EQ(line.Shows() ? static_cast<int>(line.step()) : -1, tick.step);
        EXPECT_EQ(line.number(), tick.number);
        EXPECT_GE(line.number(), previous);
        previous = line.number();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Passes, StatusLine,
    ::testing::Values(LineCase{"one after the other: each step its listed number",
                               3,
                               {{"...", -1, 0}, {"r..", 0, 3}, {".r.", 1, 4}, {"..r", 2, 5}}},
                      LineCase{"side by side: the first being fetched, moving forward",
                               1,
                               {{"rrrr", 0, 1}, {".rrr", 1, 2}, {"..r.", 2, 3}}},
                      LineCase{
                          "a step that ended between two looks is passed over", 1, {{"rr..", 0, 1}, {"..r.", 2, 3}}},
                      // The second large file waits for the first while the small ones
                      // behind it run; when it runs alone the line names it, but the
                      // number stays where it was.
                      LineCase{"a large file started after later steps",
                               1,
                               {{"r.rr.", 0, 1}, {"..rrr", 2, 3}, {".r..r", 4, 5}, {".r...", 1, 5}}},
                      LineCase{"a step shown keeps the line while later ones end", 1, {{"rrr", 0, 1}, {"r..", 0, 1}}}));

TEST(StatusLine, EndsAtTheLastStepWithTheLastNumber)
{
    CStatusLine line(3);
    EXPECT_TRUE(line.End(2));
    EXPECT_EQ(line.step(), 1u);
    EXPECT_EQ(line.number(), 4);
    EXPECT_FALSE(line.End(2)) << "already there";

    CStatusLine empty(1);
    EXPECT_FALSE(empty.End(0));
    EXPECT_FALSE(empty.Shows());
}

}  // namespace
