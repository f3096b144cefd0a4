// Digests of installed files (known answers from `openssl sha1 -binary | base64`)
// and moving the downloader aside.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "engine/config.h"
#include "engine/manifest_processor.h"
#include "system/ansi_text.h"
#include "tests/support/test_files.h"

namespace {

const char kFolder[] = "C:\\file-digest";

class FileDigestTest : public ::testing::Test {
protected:
    void SetUp() override { ::CreateDirectoryA(kFolder, nullptr); }
    static std::string At(const std::string& name) { return std::string(kFolder) + "\\" + name; }
};

TEST_F(FileDigestTest, KnownAnswers)
{
    WriteFileBytes(At("empty"), "");
    WriteFileBytes(At("abc"), "abc");
    std::string digest;
    EXPECT_EQ(FileDigest(At("empty"), &digest), 1);
    EXPECT_EQ(digest, "2jmj7l5rSw0yVb/vlWAYkK/YBwk=");
    EXPECT_EQ(FileDigest(At("abc"), &digest), 1);
    EXPECT_EQ(digest, "qZk+NkcGgWq6PiVxeFDCbJzQ2J0=");
    EXPECT_EQ(FileDigest(SourceFile("tests/fixtures/http/body10000.bin"), &digest), 1);
    EXPECT_EQ(digest, "4uaEGLGZk0MplhVM4lL7D/8F0dM=");
}

TEST_F(FileDigestTest, NoReadableFileLeavesTheDigestAlone)
{
    std::string digest = "untouched";
    EXPECT_EQ(FileDigest(At("missing"), &digest), 0);
    EXPECT_EQ(FileDigest(kFolder, &digest), 0);
    EXPECT_EQ(digest, "untouched");
}

TEST_F(FileDigestTest, DiffersUnlessTheListedDigestsMatch)
{
    WriteFileBytes(At("abc"), "abc");
    const std::string abcSha1 = "qZk+NkcGgWq6PiVxeFDCbJzQ2J0=";
    const std::string abcSha256 = "ungWv48Bz+pBQUDeXa4iI7ADYaOWF3qctBD/YfIAFa0=";
    EXPECT_EQ(FileDiffers(At("abc"), {abcSha1}), 0);
    EXPECT_EQ(FileDiffers(At("abc"), {abcSha1, abcSha256}), 0);
    EXPECT_EQ(FileDiffers(At("abc"), {"2jmj7l5rSw0yVb/vlWAYkK/YBwk="}), 1);
    EXPECT_EQ(FileDiffers(At("abc"), {abcSha1, "47DEQpj8HBSa+/TImW+5JCeuQeRkm5NMpJWZG3hSuFU="}), 1)
        << "the listed SHA-1 with another SHA-256";
    EXPECT_EQ(FileDiffers(At("missing"), {}), 1);
    EXPECT_EQ(FileDiffers(kFolder, {}), 1);
}

TEST(Utf8ToAnsi, ConvertsToTheAnsiCodePage)
{
    // The test runs with code page 936; narrow literals here are GBK.
    EXPECT_EQ(Utf8ToAnsi(u8"Data\\说明.txt"), "Data\\说明.txt");
    EXPECT_EQ(Utf8ToAnsi(""), "");
}

TEST_F(FileDigestTest, DownloaderIsMovedAside)
{
    const std::string folder = At("aside");
    ::CreateDirectoryA(folder.c_str(), nullptr);
    WriteFileBytes(folder + "\\" + installInfo.downloaderFileName, "running downloader");
    WriteFileBytes(folder + "\\pellis_old.exe", "older downloader");
    MoveAsideDownloader(folder);
    EXPECT_FALSE(Exists(folder + "\\" + installInfo.downloaderFileName));
    EXPECT_EQ(ReadBytes(folder + "\\pellis_old.exe"), "running downloader");

    // With no downloader left, the old copy still goes.
    MoveAsideDownloader(folder);
    EXPECT_FALSE(Exists(folder + "\\pellis_old.exe"));
}

}  // namespace
