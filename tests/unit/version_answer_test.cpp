#include <gtest/gtest.h>

#include "protocol/version_answer.h"

namespace {

struct AnswerCase {
    std::string json;
    bool valid;
    const char* version;
    const char* url;
    int updateMode;
};

class VersionAnswerParsing : public ::testing::TestWithParam<AnswerCase> {};

TEST_P(VersionAnswerParsing, ReadsTheThreeMembers)
{
    const AnswerCase& c = GetParam();
    VersionAnswer answer;
    answer.version = "untouched";
    ASSERT_EQ(ParseVersionAnswer(c.json, &answer), c.valid) << c.json;
    if (!c.valid) {
        EXPECT_EQ(answer.version, "untouched") << "a refused answer must not be half stored";
        return;
    }
    EXPECT_EQ(answer.version, c.version);
    EXPECT_EQ(answer.downloadUrl, c.url);
    EXPECT_EQ(UpdateModeFromText(answer.updateText), c.updateMode);
}

INSTANTIATE_TEST_SUITE_P(
    Answers, VersionAnswerParsing,
    ::testing::Values(
        AnswerCase{R"({"v":"1.0.0.3","url":"https://d.example/811","update":"2"})", true, "1.0.0.3",
                   "https://d.example/811", 2},
        AnswerCase{R"({"url":"u","v":"1.2.3.4","extra":[1,2]})", true, "1.2.3.4", "u", 0},  // update missing
        AnswerCase{"// the bank's comment\n{\"v\":\"1\",\"update\":\"1\"}", true, "1", "", 1},
        AnswerCase{R"({"v":"1","update":" 12abc"})", true, "1", "", 12},                    // read like atoi
        AnswerCase{R"({"v":"1","update":"x2"})", true, "1", "", 0},
        AnswerCase{R"({"v":null,"url":"u","update":"1"})", true, "", "u", 1},
        AnswerCase{R"({"v":"1","update":2})", false, "", "", 0},                            // not a string
        AnswerCase{R"({"v":true})", false, "", "", 0},
        AnswerCase{R"({"v":["1"]})", false, "", "", 0},
        AnswerCase{R"({"url":{"a":"b"}})", false, "", "", 0},
        AnswerCase{R"(["1.0.0.3"])", false, "", "", 0},                                     // root not an object
        AnswerCase{R"("1.0.0.3")", false, "", "", 0},
        AnswerCase{"{\"v\":", false, "", "", 0},
        AnswerCase{"", false, "", "", 0},
        // Version texts that would freeze or overflow the installed version.
        AnswerCase{R"({"v":"65535.65535.65535.65535"})", true, "65535.65535.65535.65535", "", 0},
        AnswerCase{R"({"v":"00000000000000000000000000001.2"})", true, "00000000000000000000000000001.2", "", 0},
        AnswerCase{R"({"v":"-1.0.0.0"})", false, "", "", 0},
        AnswerCase{R"({"v":"1.0.0.65536"})", false, "", "", 0},
        AnswerCase{R"({"v":"1.0.99999999999999999999"})", false, "", "", 0},
        AnswerCase{R"({"v":"1.0.0.3.1"})", false, "", "", 0},
        AnswerCase{R"({"v":"1.0.0.3 "})", false, "", "", 0},
        AnswerCase{R"({"v":"1.0.0.3a"})", false, "", "", 0},
        AnswerCase{R"({"v":"+1.0.0.3"})", false, "", "", 0},
        AnswerCase{"{\"v\":\"" + std::string(33, '1') + "\"}", false, "", "", 0},
        AnswerCase{"{\"v\":\"1." + std::string(298, '0') + "\"}", false, "", "", 0},
        // Nested past the reader's stack limit, where it throws.
        AnswerCase{std::string(2000, '['), false, "", "", 0},
        AnswerCase{"{\"v\":" + std::string(2000, '['), false, "", "", 0}));

}  // namespace
