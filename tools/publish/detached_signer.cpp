#include "tools/publish/detached_signer.h"

#include <openssl/bio.h>
#include <openssl/evp.h>
#include <openssl/pem.h>

#include <memory>

const char kDetachedSigningKeyName[] = "signing-ed25519.key.pem";
const char kDetachedVerifyingKeyName[] = "signing-ed25519.pub.pem";
const char kDetachedSignatureSuffix[] = ".sig";

namespace {

constexpr size_t kSignatureSize = 64;
constexpr size_t kBase64SignatureSize = 88;

struct BioFree {
    void operator()(BIO* bio) const { BIO_free(bio); }
};
struct MdCtxFree {
    void operator()(EVP_MD_CTX* ctx) const { EVP_MD_CTX_free(ctx); }
};
using MdCtx = std::unique_ptr<EVP_MD_CTX, MdCtxFree>;

bool Fail(std::string* error, const char* why)
{
    *error = why;
    return false;
}

SigningKey ReadPem(const std::string& pem, bool isPrivate)
{
    std::unique_ptr<BIO, BioFree> bio(BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size())));
    if (!bio)
        return nullptr;
    SigningKey key(isPrivate ? PEM_read_bio_PrivateKey(bio.get(), nullptr, nullptr, nullptr)
                             : PEM_read_bio_PUBKEY(bio.get(), nullptr, nullptr, nullptr));
    if (key && !EVP_PKEY_is_a(key.get(), "ED25519"))
        return nullptr;
    return key;
}

const unsigned char* Bytes(const std::string& text) { return reinterpret_cast<const unsigned char*>(text.data()); }

}  // namespace

bool LoadDetachedKeys(const std::string& privatePem, const std::string& publicPem, SigningKey* privateKey,
                      SigningKey* publicKey, std::string* error)
{
    SigningKey priv = ReadPem(privatePem, true);
    if (!priv)
        return Fail(error, "not a PEM Ed25519 private key");
    SigningKey pub = ReadPem(publicPem, false);
    if (!pub)
        return Fail(error, "not a PEM Ed25519 public key");
    if (EVP_PKEY_eq(priv.get(), pub.get()) != 1)
        return Fail(error, "the Ed25519 private and public keys do not belong together");
    *privateKey = std::move(priv);
    *publicKey = std::move(pub);
    return true;
}

bool SignDetached(EVP_PKEY* privateKey, const std::string& contents, std::string* signature, std::string* error)
{
    MdCtx ctx(EVP_MD_CTX_new());
    unsigned char raw[kSignatureSize];
    size_t size = sizeof raw;
    // Ed25519 hashes the message itself: no digest is named, and the whole
    // message goes in one call.
    if (!ctx || EVP_DigestSignInit(ctx.get(), nullptr, nullptr, nullptr, privateKey) != 1 ||
        EVP_DigestSign(ctx.get(), raw, &size, Bytes(contents), contents.size()) != 1 || size != kSignatureSize)
        return Fail(error, "Ed25519 signing failed");
    unsigned char base64[kBase64SignatureSize + 1];
    if (EVP_EncodeBlock(base64, raw, static_cast<int>(size)) != static_cast<int>(kBase64SignatureSize))
        return Fail(error, "Base64 encoding failed");
    signature->assign(reinterpret_cast<const char*>(base64), kBase64SignatureSize);
    return true;
}

bool VerifyDetached(EVP_PKEY* publicKey, const std::string& contents, const std::string& signature)
{
    if (signature.size() != kBase64SignatureSize)
        return false;
    unsigned char raw[kBase64SignatureSize];
    // 88 characters decode to 66 bytes, the last two of them the "==" padding.
    if (EVP_DecodeBlock(raw, Bytes(signature), static_cast<int>(signature.size())) != 66 ||
        signature.compare(kBase64SignatureSize - 2, 2, "==") != 0)
        return false;
    MdCtx ctx(EVP_MD_CTX_new());
    return ctx && EVP_DigestVerifyInit(ctx.get(), nullptr, nullptr, nullptr, publicKey) == 1 &&
           EVP_DigestVerify(ctx.get(), raw, kSignatureSize, Bytes(contents), contents.size()) == 1;
}
