// Known answers from `openssl sha1 -binary | base64` and `openssl sha256 -binary | base64`.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "engine/content_digest.h"
#include "source_path.h"

namespace {

std::string DigestOf(const std::string& bytes)
{
    CContentDigest digest;
    digest.Update(bytes.data(), bytes.size());
    return digest.Finish();
}

TEST(ContentDigest, KnownAnswers)
{
    EXPECT_EQ(DigestOf(""), "2jmj7l5rSw0yVb/vlWAYkK/YBwk=");
    EXPECT_EQ(DigestOf("abc"), "qZk+NkcGgWq6PiVxeFDCbJzQ2J0=");
    EXPECT_EQ(DigestOf(std::string(1000000, 'a')), "NKqXPNTE2qT2Husr260nMWU0AW8=");
}

TEST(ContentDigest, PiecesGiveTheDigestOfTheWhole)
{
    const std::string million(1000000, 'a');
    CContentDigest digest;
    for (size_t at = 0, piece = 1; at < million.size(); at += piece, piece = piece * 3 % 5000 + 1)
        digest.Update(million.data() + at, std::min(piece, million.size() - at));
    EXPECT_EQ(digest.Finish(), "NKqXPNTE2qT2Husr260nMWU0AW8=");
}

TEST(ContentDigest, OfAFile)
{
    std::string digest = "untouched";
    ASSERT_TRUE(DigestOfFile(SourcePath("tests/fixtures/http/body2500.bin"), &digest));
    EXPECT_EQ(digest, "Pb9QcZ7K3PSPF1YDQIyxl0FPElA=");

    digest = "untouched";
    EXPECT_FALSE(DigestOfFile(SourcePath("tests/fixtures/http/no-such-file"), &digest));
    EXPECT_EQ(digest, "untouched");
}

TEST(ContentDigest, Sha256KnownAnswers)
{
    CContentDigest digest(DigestKind::Sha256);
    digest.Update("abc", 3);
    EXPECT_EQ(digest.Finish(), "ungWv48Bz+pBQUDeXa4iI7ADYaOWF3qctBD/YfIAFa0=");
}

TEST(ContentDigest, BothDigestsOfAFile)
{
    FileDigests digests{"untouched", "untouched"};
    ASSERT_TRUE(DigestsOfFile(SourcePath("tests/fixtures/http/body2500.bin"), &digests));
    EXPECT_EQ(digests.sha1, "Pb9QcZ7K3PSPF1YDQIyxl0FPElA=");
    EXPECT_EQ(digests.sha256, "i1LhneyuCsRERxGY0WoxUoybBDODbqK14GTfFmkV9YU=");

    digests = {"untouched", "untouched"};
    EXPECT_FALSE(DigestsOfFile(SourcePath("tests/fixtures/http/no-such-file"), &digests));
    EXPECT_EQ(digests.sha1, "untouched");
}

TEST(ContentDigest, AFileMatchesItsEntryOnlyByEveryDigestTheEntryGives)
{
    const FileDigests file{"Pb9QcZ7K3PSPF1YDQIyxl0FPElA=", "i1LhneyuCsRERxGY0WoxUoybBDODbqK14GTfFmkV9YU="};
    const std::string otherSha1 = "2jmj7l5rSw0yVb/vlWAYkK/YBwk=";
    const std::string otherSha256 = "47DEQpj8HBSa+/TImW+5JCeuQeRkm5NMpJWZG3hSuFU=";
    const struct {
        const char* entry;
        FileDigests listed;
        bool matches;
    } cases[] = {
        {"both listed, both equal", file, true},
        {"only SHA-1 listed (an older release), equal", {file.sha1, ""}, true},
        {"SHA-1 equal, SHA-256 differs (a collision)", {file.sha1, otherSha256}, false},
        {"SHA-256 equal, SHA-1 differs", {otherSha1, file.sha256}, false},
        {"only SHA-1 listed, differs", {otherSha1, ""}, false},
        {"only SHA-256 listed", {"", file.sha256}, false},
        {"nothing listed", {"", ""}, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(MatchesListedDigests(file, c.listed), c.matches) << c.entry;
}

}  // namespace

