#include <gtest/gtest.h>

#include "app/start_option.h"

namespace {

struct TailCase {
    const char* tail;
    StartOption expected;
};

class StartOptionTail : public ::testing::TestWithParam<TailCase> {};

TEST_P(StartOptionTail, OnlyTheWholeTailCounts)
{
    EXPECT_EQ(ParseStartOption(GetParam().tail), GetParam().expected) << "tail \"" << GetParam().tail << "\"";
}

INSTANTIATE_TEST_SUITE_P(
    Tails, StartOptionTail,
    ::testing::Values(TailCase{"-t", StartOption::Terminate}, TailCase{"-update", StartOption::Update},
                      TailCase{"-losefile", StartOption::LoseFile}, TailCase{"", StartOption::None},
                      TailCase{"-t ", StartOption::None}, TailCase{" -t", StartOption::None},
                      TailCase{"-t -update", StartOption::None}, TailCase{"-T", StartOption::None},
                      TailCase{"/t", StartOption::None}, TailCase{"-tt", StartOption::None},
                      TailCase{"-update -losefile", StartOption::None}, TailCase{"-LOSEFILE", StartOption::None}));

}  // namespace
