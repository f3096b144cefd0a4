// Links planted in folders the elevated program acts in, as far as Wine lets a
// Windows program make them: hard links, yes; junctions and symbolic links,
// no (Wine 8 fails or ignores both calls), so their handling is shown on the
// decision alone.
#include <gtest/gtest.h>

#include <windows.h>

#include <ostream>
#include <string>

#include "system/link_checks.h"
#include "tests/support/test_files.h"

namespace {

const char kFolder[] = "C:\\link-checks";

struct FactsCase {
    const char* why;
    LinkFacts facts;
    bool plainFile;
    bool plainFolder;
};

std::ostream& operator<<(std::ostream& out, const FactsCase& c)
{
    return out << c.why;
}

class LinkDecision : public ::testing::TestWithParam<FactsCase> {};

TEST_P(LinkDecision, PlainOnlyWithoutReparsePointOrSecondName)
{
    EXPECT_EQ(IsPlainFile(GetParam().facts), GetParam().plainFile);
    EXPECT_EQ(IsPlainFolder(GetParam().facts), GetParam().plainFolder);
}

INSTANTIATE_TEST_SUITE_P(
    LinkChecks, LinkDecision,
    ::testing::Values(FactsCase{"missing", {false, false, false, 0}, false, false},
                      FactsCase{"file of one name", {true, false, false, 1}, true, false},
                      FactsCase{"file of two names", {true, false, false, 2}, false, false},
                      FactsCase{"symbolic link to a file", {true, false, true, 1}, false, false},
                      FactsCase{"folder", {true, true, false, 1}, false, true},
                      FactsCase{"junction or folder link", {true, true, true, 1}, false, false}));

class LinkChecks : public ::testing::Test {
protected:
    void SetUp() override
    {
        ::CreateDirectoryA(kFolder, nullptr);
        WriteFileBytes(At("plain.txt"), "plain");
        WriteFileBytes(At("outside.txt"), "outside");
        ::DeleteFileA(At("second-name.txt").c_str());
        ASSERT_TRUE(::CreateHardLinkA(At("second-name.txt").c_str(), At("outside.txt").c_str(), nullptr));
    }
    static std::string At(const std::string& name) { return std::string(kFolder) + "\\" + name; }
};

TEST_F(LinkChecks, ReadsWhatANameIs)
{
    const LinkFacts plain = ReadLinkFacts(At("plain.txt"));
    EXPECT_TRUE(plain.exists);
    EXPECT_EQ(plain.links, 1u);
    EXPECT_TRUE(IsPlainFile(plain));
    EXPECT_EQ(ReadLinkFacts(At("second-name.txt")).links, 2u);
    EXPECT_FALSE(IsPlainFile(ReadLinkFacts(At("second-name.txt"))));
    EXPECT_TRUE(IsPlainFolder(ReadLinkFacts(kFolder)));
    EXPECT_FALSE(ReadLinkFacts(At("missing.txt")).exists);
}

TEST_F(LinkChecks, OpensOnlyAPlainFile)
{
    EXPECT_TRUE(OpenPlainFile(At("plain.txt"), GENERIC_WRITE).valid());
    EXPECT_FALSE(OpenPlainFile(At("second-name.txt"), GENERIC_WRITE).valid());
    EXPECT_FALSE(OpenPlainFile(At("missing.txt"), GENERIC_WRITE).valid());
    EXPECT_FALSE(OpenPlainFile(kFolder, GENERIC_READ).valid());
}

TEST_F(LinkChecks, FolderChainHoldsOnlyPlainFolders)
{
    ::CreateDirectoryA(At("a").c_str(), nullptr);
    ::CreateDirectoryA(At("a\\b").c_str(), nullptr);
    EXPECT_TRUE(IsPlainFolderChain(kFolder, ""));
    EXPECT_TRUE(IsPlainFolderChain(kFolder, "a\\b"));
    EXPECT_FALSE(IsPlainFolderChain(kFolder, "a\\missing"));
    EXPECT_FALSE(IsPlainFolderChain(kFolder, "plain.txt"));
    EXPECT_FALSE(IsPlainFolderChain(At("missing"), ""));
}

}  // namespace
