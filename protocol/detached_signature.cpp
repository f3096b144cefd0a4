#include "protocol/detached_signature.h"

#include <openssl/pem.h>

#include <algorithm>

#include "protocol/openssl_handles.h"

const char kDetachedSignatureSuffix[] = ".sig";

namespace {

// 64 bytes are 21 groups of three plus one byte; that last byte takes a
// group of four characters of which two are "=" padding.
constexpr size_t kDecodedSize = 66;


ossl::Pkey ReadPublicKey(const std::string& pem)
{
    ossl::Bio bio(BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size())));
    if (!bio)
        return nullptr;
    ossl::Pkey key(PEM_read_bio_PUBKEY(bio.get(), nullptr, nullptr, nullptr));
    if (key && EVP_PKEY_id(key.get()) != EVP_PKEY_ED25519)
        return nullptr;
    return key;
}

const unsigned char* Bytes(const std::string& text) { return reinterpret_cast<const unsigned char*>(text.data()); }

// The decoder skips blanks and takes "=" anywhere in the last group, so the
// text is held to the one form the publisher writes: the signature decodes
// to exactly its bytes and encodes back to the same text.
bool DecodeSignature(const std::string& text, unsigned char (&signature)[kDetachedSignatureSize])
{
    if (text.size() != kDetachedSignatureTextSize)
        return false;
    unsigned char decoded[kDecodedSize];
    if (EVP_DecodeBlock(decoded, Bytes(text), static_cast<int>(text.size())) != static_cast<int>(kDecodedSize))
        return false;
    std::copy(decoded, decoded + kDetachedSignatureSize, signature);
    return DetachedSignatureText(signature) == text;
}

}  // namespace

std::string DetachedSignatureText(const unsigned char (&signature)[kDetachedSignatureSize])
{
    unsigned char text[kDetachedSignatureTextSize + 1];
    EVP_EncodeBlock(text, signature, static_cast<int>(kDetachedSignatureSize));
    return std::string(reinterpret_cast<const char*>(text), kDetachedSignatureTextSize);
}

bool VerifyDetachedSignature(const std::string& publicKeyPem, const std::string& contents,
                             const std::string& signatureText)
{
    unsigned char signature[kDetachedSignatureSize];
    if (!DecodeSignature(signatureText, signature))
        return false;
    const ossl::Pkey key = ReadPublicKey(publicKeyPem);
    const ossl::MdCtx ctx(EVP_MD_CTX_new());
    // Ed25519 hashes the message itself: no digest is named, and the whole
    // message goes in one call.
    return key && ctx && EVP_DigestVerifyInit(ctx.get(), nullptr, nullptr, nullptr, key.get()) == 1 &&
           EVP_DigestVerify(ctx.get(), signature, sizeof signature, Bytes(contents), contents.size()) == 1;
}
