#include "tools/publish/manifest_signer.h"

#include <openssl/bio.h>
#include <openssl/crypto.h>
#include <openssl/pem.h>
#include <openssl/rsa.h>

#include "protocol/signed_file.h"

namespace {

constexpr int kModulusBits = 1024;
constexpr size_t kSignatureSize = kModulusBits / 8;
static_assert(kSignatureSize == kSignatureBytes, "the trailer holds the signature of a 1024-bit key");
constexpr size_t kSha1Size = 20;


bool Fail(std::string* error, const char* why)
{
    *error = why;
    return false;
}

}  // namespace

bool LoadSigningKey(const std::string& pemText, SigningKey* key, std::string* error)
{
    ossl::Bio bio(BIO_new_mem_buf(pemText.data(), static_cast<int>(pemText.size())));
    if (!bio)
        return Fail(error, "out of memory");
    SigningKey loaded(PEM_read_bio_PrivateKey(bio.get(), nullptr, nullptr, nullptr));
    if (!loaded)
        return Fail(error, "not a PEM private key");
    if (!EVP_PKEY_is_a(loaded.get(), "RSA") || EVP_PKEY_get_bits(loaded.get()) != kModulusBits)
        return Fail(error, "the signing key must be a 1024-bit RSA key");
    *key = std::move(loaded);
    return true;
}

bool SignManifest(EVP_PKEY* key, const ManifestText& text, std::string* signedFile, std::string* error)
{
    const std::string signedData = text.body + text.closing;
    unsigned char sha1[EVP_MAX_MD_SIZE];
    unsigned int sha1Size = 0;
    if (EVP_Digest(signedData.data(), signedData.size(), sha1, &sha1Size, EVP_sha1(), nullptr) != 1 ||
        sha1Size != kSha1Size)
        return Fail(error, "SHA-1 failed");

    // No signature digest is set, so OpenSSL pads the 20 bytes as they are
    // instead of wrapping them in a DigestInfo.
    ossl::PkeyCtx ctx(EVP_PKEY_CTX_new(key, nullptr));
    unsigned char signature[kSignatureSize];
    size_t signatureSize = sizeof signature;
    if (!ctx || EVP_PKEY_sign_init(ctx.get()) <= 0 ||
        EVP_PKEY_CTX_set_rsa_padding(ctx.get(), RSA_PKCS1_PADDING) <= 0 ||
        EVP_PKEY_sign(ctx.get(), signature, &signatureSize, sha1, sha1Size) <= 0 || signatureSize != kSignatureSize)
        return Fail(error, "RSA signing failed");

    char hex[2 * kSignatureSize + 1];
    size_t hexSize = 0;
    if (OPENSSL_buf2hexstr_ex(hex, sizeof hex, &hexSize, signature, signatureSize, '\0') != 1)
        return Fail(error, "hex encoding failed");

    *signedFile = text.body + kSignatureMarker + std::string(hex, 2 * kSignatureSize) + kSignatureGap + text.closing;
    return true;
}
