// The signed-file check against signatures made elsewhere: the fixtures in
// tests/fixtures/signed come from the openssl command line
// (make-fixtures.sh); files built here are signed with OpenSSL's raw PKCS#1
// private operation and OpenSSL's SHA-1.
#include <gtest/gtest.h>

#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/rsa.h>
#include <openssl/sha.h>

#include <cctype>
#include <memory>
#include <ostream>
#include <string>

#include "protocol/openssl_handles.h"
#include "protocol/signed_file.h"
#include "source_path.h"
#include "system/whole_file.h"

namespace {

constexpr size_t kTrailerSize = 273;  // "\r\n<Sign>", 256 digits, 9 gap bytes
constexpr size_t kSignatureDigits = 256;
const char kMarker[] = "\r\n<Sign>";
const char kGap[] = "</Sign>\r\n";

std::string ReadSource(const std::string& relative)
{
    std::string contents;
    EXPECT_TRUE(ReadWholeFile(SourcePath(relative), &contents)) << relative;
    return contents;
}

const std::string& PublicKey()
{
    static const std::string pem = ReadSource("deploy/demo/signing.pub.pem");
    return pem;
}

std::string Fixture(const std::string& name) { return ReadSource("tests/fixtures/signed/" + name); }


std::string Sha1Of(const std::string& data)
{
    std::string digest(SHA_DIGEST_LENGTH, '\0');
    SHA1(reinterpret_cast<const unsigned char*>(data.data()), data.size(), reinterpret_cast<unsigned char*>(&digest[0]));
    return digest;
}

// The private operation on `input` with OpenSSL's `padding`, as 256
// upper-case hex digits.
std::string PrivateOperation(const std::string& input, int padding)
{
    const std::string pem = ReadSource("deploy/demo/signing.key.pem");
    ossl::Bio bio(BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size())));
    ossl::Pkey key(PEM_read_bio_PrivateKey(bio.get(), nullptr, nullptr, nullptr));
    if (!key)
        return {};
    ossl::PkeyCtx ctx(EVP_PKEY_CTX_new(key.get(), nullptr));
    unsigned char signature[512];
    size_t size = sizeof signature;
    if (!ctx || EVP_PKEY_sign_init(ctx.get()) <= 0 || EVP_PKEY_CTX_set_rsa_padding(ctx.get(), padding) <= 0 ||
        EVP_PKEY_sign(ctx.get(), signature, &size, reinterpret_cast<const unsigned char*>(input.data()),
                      input.size()) <= 0)
        return {};
    static const char kDigits[] = "0123456789ABCDEF";
    std::string hex;
    for (size_t i = 0; i < size; ++i) {
        hex += kDigits[signature[i] >> 4];
        hex += kDigits[signature[i] & 0x0F];
    }
    return hex;
}

// A type-1 block around the bare SHA-1 of `signedData` (followed by `extra`).
std::string Sign(const std::string& signedData, const std::string& extra = "")
{
    return PrivateOperation(Sha1Of(signedData) + extra, RSA_PKCS1_PADDING);
}

// Offsets in a signed file, found the way the format defines them.
struct Trailer {
    size_t marker, signature, gap, closing;
};

Trailer FindTrailer(const std::string& contents)
{
    const size_t closing = contents.rfind('<');
    const size_t marker = closing - kTrailerSize;
    return {marker, marker + 8, marker + 8 + kSignatureDigits, closing};
}

TEST(SignedFileFixtures, OpenSslSignaturesDecide)
{
    EXPECT_TRUE(VerifySignedContents(PublicKey(), Fixture("manifest.xml")));
    // The closing part is the trailing comment, not the end tag before it.
    EXPECT_TRUE(VerifySignedContents(PublicKey(), Fixture("manifest-comment.xml")));
    // A standard signature wraps the digest in DigestInfo: 35 bytes, not 20.
    EXPECT_FALSE(VerifySignedContents(PublicKey(), Fixture("manifest-digestinfo.xml")));
}

struct EditCase {
    const char* what;
    void (*edit)(std::string& contents, const Trailer& at);
    bool passes;
};

const EditCase kEdits[] = {
    {"unchanged", [](std::string&, const Trailer&) {}, true},
    {"signature in lower case",
     [](std::string& c, const Trailer& at) {
         for (size_t i = at.signature; i < at.gap; ++i)
             c[i] = static_cast<char>(std::tolower(static_cast<unsigned char>(c[i])));
     },
     true},
    {"signature digit", [](std::string& c, const Trailer& at) { c[at.signature + 100] ^= 0x01; }, false},
    {"bare line feed before the marker", [](std::string& c, const Trailer& at) { c[at.marker] = '\n'; }, false},
    {"marker tag misspelt", [](std::string& c, const Trailer& at) { c[at.marker + 3] = 's'; }, false},
    {"comment after the end tag", [](std::string& c, const Trailer&) { c += "\r\n<!-- copy -->"; }, false},
    {"no '<' at all",
     [](std::string& c, const Trailer&) {
         for (char& ch : c)
             if (ch == '<')
                 ch = '[';
     },
     false},
    {"empty", [](std::string& c, const Trailer&) { c.clear(); }, false},
};

void PrintTo(const EditCase& c, std::ostream* os) { *os << c.what; }

class SignedFileEdit : public ::testing::TestWithParam<EditCase> {};

TEST_P(SignedFileEdit, MarkerAndSignatureRules)
{
    std::string contents = Fixture("manifest.xml");
    GetParam().edit(contents, FindTrailer(contents));
    EXPECT_EQ(VerifySignedContents(PublicKey(), contents), GetParam().passes) << GetParam().what;
}

INSTANTIATE_TEST_SUITE_P(Edits, SignedFileEdit, ::testing::ValuesIn(kEdits));

// A '<' would move the closing part, so bytes change to '#'.
TEST(SignedFile, EveryBodyAndClosingByteIsCovered)
{
    const std::string original = Fixture("manifest.xml");
    const Trailer at = FindTrailer(original);
    for (size_t i = 0; i < original.size(); ++i) {
        if (i == at.marker)
            i = at.closing + 1;
        std::string contents = original;
        contents[i] = '#';
        EXPECT_FALSE(VerifySignedContents(PublicKey(), contents)) << "byte " << i;
    }
}

TEST(SignedFile, GapBytesAreNotCovered)
{
    const std::string original = Fixture("manifest.xml");
    const Trailer at = FindTrailer(original);
    for (size_t i = at.gap; i < at.closing; ++i) {
        std::string contents = original;
        contents[i] = '#';
        EXPECT_TRUE(VerifySignedContents(PublicKey(), contents)) << "gap byte " << i - at.gap;
    }
}

TEST(SignedFile, TrailerPlacementAndSignedBlock)
{
    const std::string closing = "<x/>";
    const std::string body = "<a>text";
    struct Case {
        const char* what;
        std::string contents;
        bool passes;
    };
    const Case cases[] = {
        {"empty body: last '<' exactly 273 bytes in", kMarker + Sign(closing) + kGap + closing, true},
        {"last '<' 272 bytes in", kMarker + Sign(closing) + std::string(kGap).substr(1) + closing, false},
        // Signed over exactly what the check hashes when it looks 273 bytes
        // back, so only the marker can reject it.
        {"marker with a bare line feed",
         body + "\n<Sign>" + Sign(body.substr(0, body.size() - 1) + closing) + kGap + closing, false},
        {"the same with CR LF", body + kMarker + Sign(body + closing) + kGap + closing, true},
        {"signed block longer than the digest", body + kMarker + Sign(body + closing, "#") + kGap + closing, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(VerifySignedContents(PublicKey(), c.contents), c.passes) << c.what;
}

// Signature blocks built byte by byte around the right digest: only
// 00 01, at least eight FF, 00, then exactly the digest opens.
TEST(SignedFile, OnlyTheTypeOneBlockAroundTheDigestPasses)
{
    const std::string closing = "<x/>";
    const std::string body = "<a>text";
    const std::string digest = Sha1Of(body + closing);
    auto block = [&](const std::string& head, char fill, const std::string& tail) {
        return head + std::string(128 - head.size() - tail.size(), fill) + tail;
    };
    const std::string zero(1, '\0');
    struct Case {
        const char* what;
        std::string block;
        bool passes;
    };
    const Case cases[] = {
        {"00 01 FF.. 00 digest", block(zero + "\x01", '\xFF', zero + digest), true},
        {"a padding byte not FF", block(zero + "\x01\xFF\xFE", '\xFF', zero + digest), false},
        {"no padding at all", zero + "\x01" + zero + digest + std::string(128 - 23, '\0'), false},
        {"block type 02", block(zero + "\x02", '\xFF', zero + digest), false},
        {"leading 01 instead of 00", block("\x01\x01", '\xFF', zero + digest), false},
        {"FF padding, then garbage without a separator", block(zero + "\x01", '\xFF', "\x42" + digest), false},
        {"digest, then garbage", block(zero + "\x01", '\xFF', zero + digest + "garbage"), false},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(c.block.size(), 128u) << c.what;
        const std::string contents = body + kMarker + PrivateOperation(c.block, RSA_NO_PADDING) + kGap + closing;
        EXPECT_EQ(VerifySignedContents(PublicKey(), contents), c.passes) << c.what;
    }
}

TEST(SignedFile, OtherOrUnreadableKeyFails)
{
    auto changed = [](size_t at) {
        std::string pem = PublicKey();
        pem[at] = pem[at] == 'A' ? 'B' : 'A';
        return pem;
    };
    // 40 lies in the DER header, 100 in the modulus: no key, another key.
    for (const std::string& key : {std::string(), std::string("not a key"), changed(40), changed(100)})
        EXPECT_FALSE(VerifySignedContents(key, Fixture("manifest.xml"))) << key;
}

TEST(SignedFile, ReadsTheFileWithoutChangingIt)
{
    const std::string path = SourcePath("tests/fixtures/signed/manifest.xml");
    const std::string before = Fixture("manifest.xml");
    EXPECT_TRUE(VerifySignedFile(PublicKey(), path.c_str()));
    EXPECT_EQ(Fixture("manifest.xml"), before);
    EXPECT_FALSE(VerifySignedFile(PublicKey(), SourcePath("tests/fixtures/signed/missing.xml").c_str()));
    EXPECT_FALSE(VerifySignedFile(PublicKey(), SourcePath("tests/fixtures/signed/manifest-digestinfo.xml").c_str()));
}

}  // namespace
