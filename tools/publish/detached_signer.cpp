#include "tools/publish/detached_signer.h"

#include <openssl/bio.h>
#include <openssl/evp.h>
#include <openssl/pem.h>

#include <memory>

#include "protocol/detached_signature.h"
#include "protocol/openssl_handles.h"

const char kDetachedSigningKeyName[] = "signing-ed25519.key.pem";
const char kDetachedVerifyingKeyName[] = "signing-ed25519.pub.pem";

namespace {


bool Fail(std::string* error, const char* why)
{
    *error = why;
    return false;
}

SigningKey ReadPem(const std::string& pem, bool isPrivate)
{
    ossl::Bio bio(BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size())));
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
                      std::string* error)
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
    return true;
}

bool SignDetached(EVP_PKEY* privateKey, const std::string& contents, std::string* signature, std::string* error)
{
    ossl::MdCtx ctx(EVP_MD_CTX_new());
    unsigned char raw[kDetachedSignatureSize];
    size_t size = sizeof raw;
    // Ed25519 hashes the message itself: no digest is named, and the whole
    // message goes in one call.
    if (!ctx || EVP_DigestSignInit(ctx.get(), nullptr, nullptr, nullptr, privateKey) != 1 ||
        EVP_DigestSign(ctx.get(), raw, &size, Bytes(contents), contents.size()) != 1 ||
        size != kDetachedSignatureSize)
        return Fail(error, "Ed25519 signing failed");
    *signature = DetachedSignatureText(raw);
    return true;
}
