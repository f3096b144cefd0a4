// The signature format is defined by two OpenSSL calls: a PKCS#1 "RSA PUBLIC
// KEY" text read with PEM_read_bio_RSAPublicKey, and RSA_public_decrypt
// undoing a type-1 block around a bare digest (no DigestInfo, so no EVP verify
// call matches it). OpenSSL 3 deprecates both without removing them; keep them
// and silence only their warnings, here.
#define OPENSSL_SUPPRESS_DEPRECATED

#include "protocol/signed_file.h"

#include <mbedtls/sha1.h>
#include <openssl/bio.h>
#include <openssl/pem.h>
#include <openssl/rsa.h>

#include <cstring>
#include <vector>

#include "protocol/hex.h"
#include "protocol/openssl_handles.h"
#include "system/whole_file.h"

namespace {

constexpr size_t kMarkerSize = sizeof kSignatureMarker - 1;
constexpr size_t kSignatureSize = kSignatureBytes;
constexpr size_t kGapSize = sizeof kSignatureGap - 1;
// From the marker to the closing part: the bytes the signature does not cover.
constexpr size_t kTrailerSize = kMarkerSize + 2 * kSignatureSize + kGapSize;
constexpr size_t kDigestSize = 20;

ossl::Rsa ReadPublicKey(const std::string& pem)
{
    ossl::Bio bio(BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size())));
    if (!bio)
        return nullptr;
    return ossl::Rsa(PEM_read_bio_RSAPublicKey(bio.get(), nullptr, nullptr, nullptr));
}

}  // namespace

bool VerifySignedContents(const std::string& publicKeyPem, const std::string& contents)
{
    const ossl::Rsa key = ReadPublicKey(publicKeyPem);
    if (!key)
        return false;
    const size_t closing = contents.rfind('<');
    if (closing == std::string::npos || closing < kTrailerSize)
        return false;
    const size_t marker = closing - kTrailerSize;
    if (contents.compare(marker, kMarkerSize, kSignatureMarker) != 0)
        return false;

    uint8_t signature[kSignatureSize];
    DecodeHex(contents.data() + marker + kMarkerSize, kSignatureSize, signature);
    const std::string signedData = contents.substr(0, marker) + contents.substr(closing);
    uint8_t digest[kDigestSize];
    if (mbedtls_sha1_ret(reinterpret_cast<const unsigned char*>(signedData.data()), signedData.size(), digest) != 0)
        return false;

    std::vector<unsigned char> recovered(RSA_size(key.get()));
    const int size = RSA_public_decrypt(kSignatureSize, signature, recovered.data(), key.get(), RSA_PKCS1_PADDING);
    return size == static_cast<int>(kDigestSize) && std::memcmp(recovered.data(), digest, kDigestSize) == 0;
}

bool VerifySignedFile(const std::string& publicKeyPem, const char* path)
{
    std::string contents;
    return ReadWholeFile(path, &contents) && VerifySignedContents(publicKeyPem, contents);
}
