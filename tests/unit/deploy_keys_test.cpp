#include <gtest/gtest.h>

#include <cctype>
#include <string>

#include "protocol/deploy_keys.h"
#include "source_path.h"
#include "system/whole_file.h"

namespace {

std::string DemoKeysText()
{
    std::string text;
    EXPECT_TRUE(ReadWholeFile(SourcePath("deploy/demo/envelope.keys"), &text));
    return text;
}

// Replaces the whole line that starts with `prefix` (the first such line).
std::string ReplaceLine(std::string text, const std::string& prefix, const std::string& line)
{
    const size_t start = text.find(prefix);
    const size_t end = text.find('\n', start);
    return text.replace(start, end - start, line);
}

TEST(DeployKeys, DemoFolderLoads)
{
    DeployEnvelopeKeys keys;
    std::string error;
    ASSERT_TRUE(LoadEnvelopeKeys(SourcePath("deploy/demo"), &keys, &error)) << error;
    EXPECT_EQ(keys.n.size(), 256u);
    EXPECT_EQ(keys.e, "010001");
    EXPECT_EQ(keys.iv.size(), 8u);

    const EnvelopeKeyText view = keys.View();
    EXPECT_EQ(view.n, keys.n.c_str());
    EXPECT_EQ(view.d, keys.d.c_str());
    EXPECT_EQ(view.crt[0], keys.p.c_str());
    EXPECT_EQ(view.crt[4], keys.qp.c_str());
    EXPECT_EQ(view.iv, keys.iv.c_str());
}

TEST(DeployKeys, MissingFolderIsReported)
{
    DeployEnvelopeKeys keys;
    std::string error;
    EXPECT_FALSE(LoadEnvelopeKeys(SourcePath("deploy/no-such-folder"), &keys, &error));
    EXPECT_NE(error.find("envelope.keys"), std::string::npos) << error;
}

// The writer of key folders formats through the reader's own table, so what it
// writes is read back field for field, in the file's usual layout.
TEST(DeployKeys, FormattedKeysReadBackAsTheyWere)
{
    DeployEnvelopeKeys keys;
    std::string error;
    ASSERT_TRUE(ParseEnvelopeKeys(DemoKeysText(), &keys, &error)) << error;
    EXPECT_EQ(FormatEnvelopeKeys(keys), DemoKeysText());
    EXPECT_EQ(EnvelopeKeyDigits("QP"), 128u);
    EXPECT_EQ(EnvelopeKeyDigits("IV"), 8u);
    EXPECT_EQ(EnvelopeKeyDigits("X"), 0u);
}

TEST(DeployKeys, BlankLinesAreAllowed)
{
    DeployEnvelopeKeys keys;
    std::string error;
    EXPECT_TRUE(ParseEnvelopeKeys("\n" + DemoKeysText() + "\n\n", &keys, &error)) << error;
}

struct MalformedCase {
    const char* what;
    std::string (*edit)(const std::string& demo);
    const char* reasonMentions;
};

const MalformedCase kMalformed[] = {
    {"field missing", [](const std::string& t) { return ReplaceLine(t, "QP=", ""); }, "QP is missing"},
    {"field repeated", [](const std::string& t) { return t + "E=010001\n"; }, "E is repeated"},
    {"modulus one digit short",
     [](const std::string& t) { return ReplaceLine(t, "N=", "N=" + std::string(255, 'a')); }, "N must have 256"},
    {"CRT value one digit long",
     [](const std::string& t) { return ReplaceLine(t, "DQ=", "DQ=" + std::string(129, '1')); }, "DQ must have 128"},
    {"upper-case hex",
     [](const std::string& t) { return ReplaceLine(t, "D=", "D=" + std::string(256, 'A')); }, "D must be lower-case"},
    {"not hex", [](const std::string& t) { return ReplaceLine(t, "P=", "P=" + std::string(128, 'g')); }, "P must be"},
    {"IV with a letter", [](const std::string& t) { return ReplaceLine(t, "IV=", "IV=1234567a"); }, "IV must be decimal"},
    {"IV seven digits", [](const std::string& t) { return ReplaceLine(t, "IV=", "IV=1234567"); }, "IV must have 8"},
    {"other exponent", [](const std::string& t) { return ReplaceLine(t, "E=", "E=000003"); }, "E must be 010001"},
    {"unknown field", [](const std::string& t) { return t + "X=1\n"; }, "unknown field 'X'"},
    {"line without '='", [](const std::string& t) { return t + "IV 12345678\n"; }, "expected NAME=value"},
    {"carriage return kept in the value", [](const std::string& t) { return ReplaceLine(t, "IV=", "IV=12345678\r"); },
     "IV must have 8"},
    {"empty text", [](const std::string&) { return std::string(); }, "N is missing"},
};

class DeployKeysMalformed : public ::testing::TestWithParam<MalformedCase> {};

TEST_P(DeployKeysMalformed, IsRejectedWithAReason)
{
    DeployEnvelopeKeys keys;
    std::string error;
    EXPECT_FALSE(ParseEnvelopeKeys(GetParam().edit(DemoKeysText()), &keys, &error));
    EXPECT_NE(error.find(GetParam().reasonMentions), std::string::npos) << "reason: " << error;
}

std::string CaseName(const ::testing::TestParamInfo<MalformedCase>& info)
{
    std::string name;
    for (const char* c = info.param.what; *c; ++c)
        if (std::isalnum(static_cast<unsigned char>(*c)))
            name += *c;
    return name;
}

INSTANTIATE_TEST_SUITE_P(Texts, DeployKeysMalformed, ::testing::ValuesIn(kMalformed), CaseName);

}  // namespace
