// The Ed25519 check of a manifest's .sig file: signatures made here with
// OpenSSL and the demo deployment's private key, then altered one way each.
#include <gtest/gtest.h>

#include <openssl/evp.h>
#include <openssl/pem.h>

#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "protocol/detached_signature.h"
#include "protocol/openssl_handles.h"
#include "source_path.h"
#include "system/whole_file.h"

namespace {

using ossl::Pkey;

std::string ReadSource(const std::string& relative)
{
    std::string contents;
    EXPECT_TRUE(ReadWholeFile(SourcePath(relative), &contents)) << relative;
    return contents;
}

Pkey ReadPrivateKey(const std::string& pem)
{
    ossl::Bio bio(BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size())));
    return Pkey(PEM_read_bio_PrivateKey(bio.get(), nullptr, nullptr, nullptr));
}

std::string PublicPemOf(EVP_PKEY* key)
{
    ossl::Bio bio(BIO_new(BIO_s_mem()));
    PEM_write_bio_PUBKEY(bio.get(), key);
    char* data = nullptr;
    const long size = BIO_get_mem_data(bio.get(), &data);
    return std::string(data, static_cast<size_t>(size));
}

std::string SignatureText(EVP_PKEY* key, const std::string& contents)
{
    ossl::MdCtx ctx(EVP_MD_CTX_new());
    unsigned char raw[kDetachedSignatureSize];
    size_t size = sizeof raw;
    EXPECT_EQ(EVP_DigestSignInit(ctx.get(), nullptr, nullptr, nullptr, key), 1);
    EXPECT_EQ(EVP_DigestSign(ctx.get(), raw, &size, reinterpret_cast<const unsigned char*>(contents.data()),
                             contents.size()),
              1);
    return DetachedSignatureText(raw);
}

Pkey NewEd25519Key()
{
    EVP_PKEY* key = nullptr;
    ossl::PkeyCtx ctx(EVP_PKEY_CTX_new_id(EVP_PKEY_ED25519, nullptr));
    EXPECT_EQ(EVP_PKEY_keygen_init(ctx.get()), 1);
    EXPECT_EQ(EVP_PKEY_keygen(ctx.get(), &key), 1);
    return Pkey(key);
}

const std::string kManifest = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<Manifest Version=\"1.0.0.3\" "
                              "Bank=\"811\"><FileInfo /></Manifest>";

struct Case {
    const char* name;
    std::string key;        // public key PEM
    std::string contents;   // what is checked
    std::string signature;  // .sig text
    bool passes;
};

std::ostream& operator<<(std::ostream& out, const Case& c) { return out << c.name; }

std::string WithCharacter(std::string text, size_t at, char c)
{
    text[at] = c;
    return text;
}

std::vector<Case> Cases()
{
    const Pkey demo = ReadPrivateKey(ReadSource("deploy/demo/signing-ed25519.key.pem"));
    const Pkey other = NewEd25519Key();
    const std::string key = ReadSource("deploy/demo/signing-ed25519.pub.pem");
    const std::string good = SignatureText(demo.get(), kManifest);
    std::string flipped = kManifest;
    flipped[40] ^= 0x01;
    // The last character before "==" carries 2 bits of the last byte and 4
    // that must be zero; with the lowest of them set the text still decodes
    // to the same 64 bytes.
    const std::string alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    const char lowBitSet = alphabet[alphabet.find(good[85]) + 1];
    return {
        {"the signature of the bytes", key, kManifest, good, true},
        {"a byte of the manifest changed", key, flipped, good, false},
        {"a byte added to the manifest", key, kManifest + "\n", good, false},
        {"the manifest cut short", key, kManifest.substr(0, kManifest.size() - 1), good, false},
        {"a character of the signature changed", key, kManifest, WithCharacter(good, 10, good[10] == 'A' ? 'B' : 'A'),
         false},
        {"a line end after the signature", key, kManifest, good + "\n", false},
        {"without the padding", key, kManifest, good.substr(0, 86), false},
        {"a blank inside", key, kManifest, WithCharacter(good, 20, ' '), false},
        {"unused bits set in the last character", key, kManifest, WithCharacter(good, 85, lowBitSet), false},
        {"the raw 64 bytes instead of Base64", key, kManifest, std::string(64, 'A'), false},
        {"no signature", key, kManifest, "", false},
        {"signed by another key", key, kManifest, SignatureText(other.get(), kManifest), false},
        {"checked with another key", PublicPemOf(other.get()), kManifest, good, false},
        {"an RSA key", ReadSource("deploy/demo/signing.pub.pem"), kManifest, good, false},
        {"no key", "", kManifest, good, false},
    };
}

TEST(DetachedSignature, OnlyTheExactSignatureOfTheExactBytesPasses)
{
    for (const Case& c : Cases())
        EXPECT_EQ(VerifyDetachedSignature(c.key, c.contents, c.signature), c.passes) << c;
}

TEST(DetachedSignature, TheDemoBuildChecksWithTheDeploymentsKey)
{
    ASSERT_TRUE(DetachedSignatureRequired());
    const Pkey demo = ReadPrivateKey(ReadSource("deploy/demo/signing-ed25519.key.pem"));
    const std::string signature = SignatureText(demo.get(), kManifest);
    EXPECT_TRUE(VerifyDetachedSignature(kManifest, signature));
    EXPECT_FALSE(VerifyDetachedSignature(kManifest + " ", signature));
}

}  // namespace
