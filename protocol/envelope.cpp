#include "protocol/envelope.h"

#include <mbedtls/ctr_drbg.h>
#include <mbedtls/des.h>
#include <mbedtls/entropy.h>
#include <mbedtls/platform_util.h>
#include <mbedtls/rsa.h>
#include <mbedtls/sha1.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "protocol/hex.h"

namespace {

constexpr size_t kDigestSize = 20;
constexpr size_t kDesBlockSize = 8;
constexpr size_t kIvSize = 8;
constexpr size_t kMaxTwoByteLength = 0xFFFF;

constexpr uint8_t kSequenceTag = 0x30;
constexpr uint8_t kOctetStringTag = 0x04;
constexpr uint8_t kOneLengthByte = 0x81;
constexpr uint8_t kTwoLengthBytes = 0x82;

// 30 82 LL LL 04 81 [k] <key:k> 04 82 [c:2] <ciphertext:c> 04 81 [m] <digest:m>.
// The sequence's own header is left out of its content length.
constexpr size_t kSequenceHeaderSize = 4;
constexpr size_t kKeyLengthOffset = 6;
constexpr size_t kKeyOffset = 7;
constexpr size_t kCipherHeaderSize = 4;
constexpr size_t kDigestHeaderSize = 3;
// Everything but the ciphertext: 162 bytes.
constexpr size_t kFramingSize = kKeyOffset + kEnvelopeBlockSize + kCipherHeaderSize + kDigestHeaderSize + kDigestSize;
// Sealing's size answer is the text length plus 10, the room the request
// channel has always been given.
constexpr size_t kSizeAnswerSlack = 10;

constexpr unsigned char kPersonalization[] = "pellis envelope";

// Key material or plaintext, wiped when it goes out of scope.
class SecretBytes {
public:
    explicit SecretBytes(size_t size) : bytes_(size) {}
    ~SecretBytes() { mbedtls_platform_zeroize(bytes_.data(), bytes_.size()); }
    SecretBytes(const SecretBytes&) = delete;
    SecretBytes& operator=(const SecretBytes&) = delete;

    uint8_t* data() { return bytes_.data(); }

private:
    std::vector<uint8_t> bytes_;
};

// A CTR_DRBG seeded from the platform entropy source (the OS generator on
// Windows), set up anew for each call so no generator state is shared.
class Random {
public:
    Random()
    {
        mbedtls_entropy_init(&entropy_);
        mbedtls_ctr_drbg_init(&drbg_);
        seeded_ = mbedtls_ctr_drbg_seed(&drbg_, mbedtls_entropy_func, &entropy_, kPersonalization,
                                        sizeof kPersonalization - 1) == 0;
    }
    ~Random()
    {
        mbedtls_ctr_drbg_free(&drbg_);
        mbedtls_entropy_free(&entropy_);
    }
    Random(const Random&) = delete;
    Random& operator=(const Random&) = delete;

    bool seeded() const { return seeded_; }
    bool Fill(uint8_t* out, size_t size) { return seeded_ && mbedtls_ctr_drbg_random(&drbg_, out, size) == 0; }
    // The context to pass along with mbedtls_ctr_drbg_random.
    void* context() { return &drbg_; }

private:
    mbedtls_entropy_context entropy_;
    mbedtls_ctr_drbg_context drbg_;
    bool seeded_ = false;
};

class RsaKey {
public:
    RsaKey() { mbedtls_rsa_init(&ctx_, MBEDTLS_RSA_PKCS_V15, 0); }
    ~RsaKey() { mbedtls_rsa_free(&ctx_); }
    RsaKey(const RsaKey&) = delete;
    RsaKey& operator=(const RsaKey&) = delete;

    bool LoadPublic(const EnvelopeKeyText& key)
    {
        return Read(&ctx_.N, key.n) && Read(&ctx_.E, key.e) && SetLength() && mbedtls_rsa_check_pubkey(&ctx_) == 0;
    }

    // mbed TLS 2.28 has no import for the CRT values, so every part is read
    // straight into the context, as its own key parser does; the private-key
    // check then proves the deployed values consistent.
    bool LoadPrivate(const EnvelopeKeyText& key)
    {
        return Read(&ctx_.N, key.n) && Read(&ctx_.E, key.e) && Read(&ctx_.D, key.d) && Read(&ctx_.P, key.crt[0]) &&
               Read(&ctx_.Q, key.crt[1]) && Read(&ctx_.DP, key.crt[2]) && Read(&ctx_.DQ, key.crt[3]) &&
               Read(&ctx_.QP, key.crt[4]) && SetLength() && mbedtls_rsa_check_privkey(&ctx_) == 0;
    }

    mbedtls_rsa_context* get() { return &ctx_; }

private:
    static bool Read(mbedtls_mpi* value, const char* hex) { return mbedtls_mpi_read_string(value, 16, hex) == 0; }

    // The envelope's key part is always one 128-byte block.
    bool SetLength()
    {
        ctx_.len = mbedtls_mpi_size(&ctx_.N);
        return ctx_.len == kEnvelopeBlockSize;
    }

    mbedtls_rsa_context ctx_;
};

// The key pair read from its text, and a generator seeded, for each operation:
// nothing is kept between calls, so callers need no setup and share no state.
class TextEnvelopeKey : public EnvelopeKey {
public:
    explicit TextEnvelopeKey(const EnvelopeKeyText& text) : text_(text) {}

    const char* Iv() const override { return text_.iv; }

    bool MakeSessionKey(uint8_t key[kSessionKeySize]) const override { return ::MakeSessionKey(key); }

    bool SealSessionKey(const uint8_t key[kSessionKeySize], uint8_t sealed[kEnvelopeBlockSize]) const override
    {
        RsaKey rsa;
        Random padding;
        return rsa.LoadPublic(text_) && padding.seeded() &&
               mbedtls_rsa_pkcs1_encrypt(rsa.get(), mbedtls_ctr_drbg_random, padding.context(), MBEDTLS_RSA_PUBLIC,
                                         kSessionKeySize, key, sealed) == 0;
    }

    bool OpenBlock(const uint8_t sealed[kEnvelopeBlockSize], uint8_t block[kEnvelopeBlockSize]) const override
    {
        RsaKey rsa;
        Random blinding;
        return rsa.LoadPrivate(text_) && blinding.seeded() &&
               mbedtls_rsa_private(rsa.get(), mbedtls_ctr_drbg_random, blinding.context(), sealed, block) == 0;
    }

private:
    const EnvelopeKeyText& text_;
};

// Three-key EDE triple-DES in CBC mode. mbedtls_des3_free wipes the schedules.
bool TripleDesCbc(int mode, const uint8_t* key, const char* ivText, const uint8_t* in, size_t size, uint8_t* out)
{
    if (std::strlen(ivText) != kIvSize)
        return false;
    uint8_t iv[kIvSize];
    std::memcpy(iv, ivText, kIvSize);
    mbedtls_des3_context des;
    mbedtls_des3_init(&des);
    const int setup =
        mode == MBEDTLS_DES_ENCRYPT ? mbedtls_des3_set3key_enc(&des, key) : mbedtls_des3_set3key_dec(&des, key);
    const bool ok = setup == 0 && mbedtls_des3_crypt_cbc(&des, mode, size, iv, in, out) == 0;
    mbedtls_des3_free(&des);
    return ok;
}

// 1..8 bytes of their own count: a whole block of 08 when the length is a multiple of 8.
size_t PaddedLength(size_t length) { return length + kDesBlockSize - length % kDesBlockSize; }

void PutByte(std::vector<uint8_t>* out, size_t value) { out->push_back(static_cast<uint8_t>(value)); }

void PutLength16(std::vector<uint8_t>* out, size_t value)
{
    PutByte(out, value >> 8);
    PutByte(out, value & 0xFF);
}

void PutBytes(std::vector<uint8_t>* out, const uint8_t* bytes, size_t size) { out->insert(out->end(), bytes, bytes + size); }

void EncodeHexUpper(const std::vector<uint8_t>& bytes, char* out)
{
    static const char kDigits[] = "0123456789ABCDEF";
    for (uint8_t b : bytes) {
        *out++ = kDigits[b >> 4];
        *out++ = kDigits[b & 0x0F];
    }
}

struct Parts {
    const uint8_t* key;
    size_t keySize;
    const uint8_t* cipher;
    size_t cipherSize;
    const uint8_t* digest;
    size_t digestSize;
};

// Follows the three length fields; tags and length forms are not examined,
// and bytes after the digest are ignored.
bool FindParts(const std::vector<uint8_t>& bytes, Parts* parts)
{
    const size_t size = bytes.size();
    if (size <= kKeyLengthOffset)
        return false;
    const size_t keySize = bytes[kKeyLengthOffset];
    const size_t cipherHeader = kKeyOffset + keySize;
    if (size < cipherHeader + kCipherHeaderSize)
        return false;
    const size_t cipherSize = size_t{bytes[cipherHeader + 2]} << 8 | bytes[cipherHeader + 3];
    const size_t digestHeader = cipherHeader + kCipherHeaderSize + cipherSize;
    if (size < digestHeader + kDigestHeaderSize)
        return false;
    const size_t digestSize = bytes[digestHeader + 2];
    if (size < digestHeader + kDigestHeaderSize + digestSize)
        return false;
    *parts = {&bytes[kKeyOffset],
              keySize,
              &bytes[cipherHeader + kCipherHeaderSize],
              cipherSize,
              &bytes[digestHeader + kDigestHeaderSize],
              digestSize};
    return true;
}

// The block must read 00, a type byte, nonzero bytes, 00, then the key. Type 1
// is accepted beside 2, as openers of this format always have; mbed TLS's
// PKCS#1 decryption refuses it, so only its raw private operation is used.
bool TakeSessionKey(const uint8_t* block, uint8_t key[kSessionKeySize])
{
    if (block[0] != 0x00 || (block[1] != 0x02 && block[1] != 0x01))
        return false;
    const uint8_t* end = block + kEnvelopeBlockSize;
    const uint8_t* separator = std::find(block + 2, end, 0x00);
    if (separator == end)
        return false;
    const size_t size = static_cast<size_t>(end - separator - 1);
    if (size > kSessionKeySize)
        return false;
    // A shorter key leaves the rest zero: a 16-byte key means K3 = 0.
    std::memset(key, 0, kSessionKeySize);
    std::memcpy(key, separator + 1, size);
    return true;
}

bool UnsealSessionKey(const EnvelopeKey& envelopeKey, const uint8_t* sealed, uint8_t key[kSessionKeySize])
{
    SecretBytes block(kEnvelopeBlockSize);
    return envelopeKey.OpenBlock(sealed, block.data()) && TakeSessionKey(block.data(), key);
}

// The message ends at its first zero byte; a last byte of 1..8 is padding to
// strip. The padding bytes are not compared with each other. A count larger
// than what precedes it cannot be stripped, and fails.
bool UnpaddedLength(const uint8_t* plain, size_t size, size_t* length)
{
    size_t n = static_cast<size_t>(std::find(plain, plain + size, 0x00) - plain);
    if (n > 0 && plain[n - 1] >= 1 && plain[n - 1] <= kDesBlockSize) {
        const size_t padding = plain[n - 1];
        if (padding > n)
            return false;
        n -= padding;
    }
    *length = n;
    return true;
}

}  // namespace

bool MakeSessionKey(uint8_t key[kSessionKeySize])
{
    Random random;
    return random.Fill(key, kSessionKeySize);
}

int SealEnvelope(const EnvelopeKey& key, const uint8_t* message, size_t length, char* out, size_t* capacity)
{
    const size_t cipherSize = PaddedLength(length);
    const size_t envelopeSize = cipherSize + kFramingSize;
    const size_t textSize = 2 * envelopeSize;
    if (!out || *capacity < textSize + kSizeAnswerSlack) {
        *capacity = textSize + kSizeAnswerSlack;
        return 0;
    }
    if (length == 0 || envelopeSize - kSequenceHeaderSize > kMaxTwoByteLength)
        return -1;

    SecretBytes sessionKey(kSessionKeySize);
    uint8_t sealedKey[kEnvelopeBlockSize];
    // Without the OS generator there is no key that is safe to hand out: the
    // query is not sent rather than sealed with a guessable key.
    if (!key.MakeSessionKey(sessionKey.data()) || !key.SealSessionKey(sessionKey.data(), sealedKey))
        return -1;

    SecretBytes padded(cipherSize);
    std::copy_n(message, length, padded.data());
    std::fill_n(padded.data() + length, cipherSize - length, static_cast<uint8_t>(cipherSize - length));
    std::vector<uint8_t> cipher(cipherSize);
    if (!TripleDesCbc(MBEDTLS_DES_ENCRYPT, sessionKey.data(), key.Iv(), padded.data(), cipherSize, cipher.data()))
        return -1;

    uint8_t digest[kDigestSize];
    if (mbedtls_sha1_ret(message, length, digest) != 0)
        return -1;

    std::vector<uint8_t> envelope;
    envelope.reserve(envelopeSize);
    PutByte(&envelope, kSequenceTag);
    PutByte(&envelope, kTwoLengthBytes);
    PutLength16(&envelope, envelopeSize - kSequenceHeaderSize);
    PutByte(&envelope, kOctetStringTag);
    PutByte(&envelope, kOneLengthByte);
    PutByte(&envelope, kEnvelopeBlockSize);
    PutBytes(&envelope, sealedKey, kEnvelopeBlockSize);
    PutByte(&envelope, kOctetStringTag);
    PutByte(&envelope, kTwoLengthBytes);
    PutLength16(&envelope, cipherSize);
    PutBytes(&envelope, cipher.data(), cipherSize);
    PutByte(&envelope, kOctetStringTag);
    PutByte(&envelope, kOneLengthByte);
    PutByte(&envelope, kDigestSize);
    PutBytes(&envelope, digest, kDigestSize);

    EncodeHexUpper(envelope, out);
    out[textSize] = '\0';
    *capacity = textSize;
    return 0;
}

int OpenEnvelope(const EnvelopeKey& key, const char* text, size_t length, uint8_t* out, size_t* capacity)
{
    if (*capacity < length) {
        *capacity = length;
        return 0;
    }
    if (!out || length % 2 != 0)
        return -1;
    std::vector<uint8_t> bytes(length / 2);
    DecodeHex(text, bytes.size(), bytes.data());
    Parts parts;
    // Of a longer key part, the first 128 bytes are the RSA block.
    if (!FindParts(bytes, &parts) || parts.keySize < kEnvelopeBlockSize)
        return -1;

    SecretBytes sessionKey(kSessionKeySize);
    if (!UnsealSessionKey(key, parts.key, sessionKey.data()) || parts.cipherSize % kDesBlockSize != 0)
        return -1;
    SecretBytes plain(parts.cipherSize);
    size_t messageSize = 0;
    if (!TripleDesCbc(MBEDTLS_DES_DECRYPT, sessionKey.data(), key.Iv(), parts.cipher, parts.cipherSize, plain.data()) ||
        !UnpaddedLength(plain.data(), parts.cipherSize, &messageSize))
        return -1;

    uint8_t digest[kDigestSize];
    if (parts.digestSize != kDigestSize || mbedtls_sha1_ret(plain.data(), messageSize, digest) != 0 ||
        std::memcmp(digest, parts.digest, kDigestSize) != 0)
        return -1;

    std::copy_n(plain.data(), messageSize, out);
    if (messageSize < *capacity)
        out[messageSize] = 0;
    *capacity = messageSize;
    return 0;
}

int SealEnvelope(const EnvelopeKeyText& key, const uint8_t* message, size_t length, char* out, size_t* capacity)
{
    return SealEnvelope(TextEnvelopeKey(key), message, length, out, capacity);
}

int OpenEnvelope(const EnvelopeKeyText& key, const char* text, size_t length, uint8_t* out, size_t* capacity)
{
    return OpenEnvelope(TextEnvelopeKey(key), text, length, out, capacity);
}
