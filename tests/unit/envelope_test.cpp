// The envelope against OpenSSL: envelopes we seal must open with OpenSSL's
// RSA and triple-DES, and envelopes built with OpenSSL must open with ours.
#include <gtest/gtest.h>

#include <openssl/core_names.h>
#include <openssl/evp.h>
#include <openssl/param_build.h>
#include <openssl/rsa.h>
#include <openssl/sha.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <memory>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "protocol/deploy_keys.h"
#include "protocol/envelope.h"
#include "protocol/openssl_handles.h"
#include "demo_keys.h"
#include "source_path.h"

namespace {

using Bytes = std::string;

// Made from deploy/demo/envelope.keys with the openssl command line and sha1sum:
//   key part    openssl pkeyutl -encrypt -pubin -inkey <N and E as a PEM key>
//               -pkeyopt rsa_padding_mode:pkcs1, over the session key
//               4a92727f284ca987d16484cb4454d123d66a7021d1982e10
//   ciphertext  openssl enc -des-ede3-cbc -K <session key> -iv <the IV digits' bytes in hex>
//   digest      sha1sum of the message
const char kKnownMessage[] = R"({"v":"2.0.1.7","url":"http://127.0.0.1:8080/assist","update":"2"})";
const char kKnownEnvelope[] =
    "308200E604818041553293D62AF8B3262DBB6B301CFA7673082822DA31CEDFA012AF2924225CE329F9ED66396A3D351A"
    "C7BDC53EFBD9D97B2F02D460A434C4906730B5105502B5DE2E20FBF4F71EDFEF84888F73E9E4ECB443F8E78CE595A432"
    "D05CE151202D9F88972369BFCEFB2CA5CA1C0C51B1BECFB5E1D2FB47C9FA1782B6B46280292BC504820048F89A8754DB"
    "8284EAE1FD4F2AA269DB92C9B3CB71B9032451CA774BBA8F2C40DFF615A16039B681E217F3AFAFDBEDEC9DD5B72C4602"
    "625B53857D3E69E53A4B3E94499C44621FF2B1048114C7DADA203AE43FEB76B3D8E8F4F5C25D0E0F1D3C";

constexpr size_t kCipherOffset = 139;
constexpr size_t kFraming = 162;

const uint8_t* U(const Bytes& b) { return reinterpret_cast<const uint8_t*>(b.data()); }
uint8_t* U(Bytes& b) { return reinterpret_cast<uint8_t*>(&b[0]); }

std::string ToHex(const Bytes& bytes)
{
    static const char kDigits[] = "0123456789ABCDEF";
    std::string text;
    for (unsigned char b : bytes) {
        text += kDigits[b >> 4];
        text += kDigits[b & 0x0F];
    }
    return text;
}

Bytes FromHex(const std::string& text)
{
    Bytes bytes;
    for (size_t i = 0; i + 1 < text.size(); i += 2)
        bytes += static_cast<char>(std::stoul(text.substr(i, 2), nullptr, 16));
    return bytes;
}

std::string Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

Bytes Byte(unsigned value) { return Bytes(1, static_cast<char>(value)); }

// A message of `length` nonzero bytes.
Bytes MessageOf(size_t length)
{
    Bytes message;
    for (size_t i = 0; i < length; ++i)
        message += static_cast<char>((i * 31 + 7) % 255 + 1);
    return message;
}

size_t PaddedLength(size_t length) { return (length / 8 + 1) * 8; }

// Seals as the request channel does: ask for the size, allocate one more, seal.
bool Seal(const Bytes& message, std::string* text)
{
    size_t capacity = 0;
    if (SealEnvelope(DemoKeys().View(), U(message), message.size(), nullptr, &capacity) != 0)
        return false;
    std::string buffer(capacity + 1, 'x');
    if (SealEnvelope(DemoKeys().View(), U(message), message.size(), &buffer[0], &capacity) != 0)
        return false;
    EXPECT_EQ(buffer[capacity], '\0');
    *text = buffer.substr(0, capacity);
    return true;
}

// Opens as the request channel does: a zeroed buffer of text length plus one.
bool Open(const std::string& text, Bytes* message)
{
    Bytes buffer(text.size() + 1, '\0');
    size_t capacity = buffer.size();
    if (OpenEnvelope(DemoKeys().View(), text.data(), text.size(), U(buffer), &capacity) != 0)
        return false;
    *message = buffer.substr(0, capacity);
    return true;
}

// --- OpenSSL side

using ossl::Pkey;
using ossl::PkeyCtx;

Pkey MakeOpenSslKey(const DeployEnvelopeKeys& keys)
{
    const std::pair<const char*, const std::string*> parts[] = {
        {OSSL_PKEY_PARAM_RSA_N, &keys.n},         {OSSL_PKEY_PARAM_RSA_E, &keys.e},
        {OSSL_PKEY_PARAM_RSA_D, &keys.d},         {OSSL_PKEY_PARAM_RSA_FACTOR1, &keys.p},
        {OSSL_PKEY_PARAM_RSA_FACTOR2, &keys.q},   {OSSL_PKEY_PARAM_RSA_EXPONENT1, &keys.dp},
        {OSSL_PKEY_PARAM_RSA_EXPONENT2, &keys.dq}, {OSSL_PKEY_PARAM_RSA_COEFFICIENT1, &keys.qp},
    };
    ossl::ParamBuilder builder(OSSL_PARAM_BLD_new());
    std::vector<ossl::Bignum> numbers;
    for (const auto& part : parts) {
        BIGNUM* number = nullptr;
        if (!BN_hex2bn(&number, part.second->c_str()))
            return nullptr;
        numbers.emplace_back(number);
        if (!OSSL_PARAM_BLD_push_BN(builder.get(), part.first, number))
            return nullptr;
    }
    ossl::Params params(OSSL_PARAM_BLD_to_param(builder.get()));
    PkeyCtx ctx(EVP_PKEY_CTX_new_from_name(nullptr, "RSA", nullptr));
    EVP_PKEY* key = nullptr;
    if (!params || !ctx || EVP_PKEY_fromdata_init(ctx.get()) <= 0 ||
        EVP_PKEY_fromdata(ctx.get(), &key, EVP_PKEY_KEYPAIR, params.get()) <= 0)
        return nullptr;
    return Pkey(key);
}

EVP_PKEY* OpenSslKey()
{
    static const Pkey key = MakeOpenSslKey(DemoKeys());
    return key.get();
}

// RSA_NO_PADDING applies the public operation to a block we laid out ourselves.
Bytes RsaEncrypt(int padding, const Bytes& in)
{
    PkeyCtx ctx(EVP_PKEY_CTX_new(OpenSslKey(), nullptr));
    size_t size = 0;
    if (!ctx || EVP_PKEY_encrypt_init(ctx.get()) <= 0 || EVP_PKEY_CTX_set_rsa_padding(ctx.get(), padding) <= 0 ||
        EVP_PKEY_encrypt(ctx.get(), nullptr, &size, U(in), in.size()) <= 0)
        return {};
    Bytes out(size, '\0');
    if (EVP_PKEY_encrypt(ctx.get(), U(out), &size, U(in), in.size()) <= 0)
        return {};
    out.resize(size);
    return out;
}

Bytes RsaDecrypt(const Bytes& in)
{
    PkeyCtx ctx(EVP_PKEY_CTX_new(OpenSslKey(), nullptr));
    size_t size = 0;
    if (!ctx || EVP_PKEY_decrypt_init(ctx.get()) <= 0 ||
        EVP_PKEY_CTX_set_rsa_padding(ctx.get(), RSA_PKCS1_PADDING) <= 0 ||
        EVP_PKEY_decrypt(ctx.get(), nullptr, &size, U(in), in.size()) <= 0)
        return {};
    Bytes out(size, '\0');
    if (EVP_PKEY_decrypt(ctx.get(), U(out), &size, U(in), in.size()) <= 0)
        return {};
    out.resize(size);
    return out;
}

// OpenSSL's block padding (PKCS#7) is the envelope's: 1..8 bytes of their count.
Bytes TripleDes(bool encrypt, const Bytes& key, const Bytes& in)
{
    ossl::CipherCtx ctx(EVP_CIPHER_CTX_new());
    const Bytes iv = DemoKeys().iv;
    Bytes out(in.size() + 8, '\0');
    int size = 0;
    int last = 0;
    if (!ctx || !EVP_CipherInit_ex(ctx.get(), EVP_des_ede3_cbc(), nullptr, U(key), U(iv), encrypt ? 1 : 0) ||
        !EVP_CipherUpdate(ctx.get(), U(out), &size, U(in), static_cast<int>(in.size())) ||
        !EVP_CipherFinal_ex(ctx.get(), U(out) + size, &last))
        return {};
    out.resize(size + last);
    return out;
}

Bytes Sha1(const Bytes& data)
{
    Bytes digest(SHA_DIGEST_LENGTH, '\0');
    SHA1(U(data), data.size(), U(digest));
    return digest;
}

Bytes Length16(size_t value) { return Byte(value >> 8) + Byte(value & 0xFF); }

// The binary layout with whatever parts are given, length fields to match.
Bytes Frame(const Bytes& keyPart, const Bytes& cipher, const Bytes& digest)
{
    const Bytes content = Byte(0x04) + Byte(0x81) + Byte(keyPart.size()) + keyPart + Byte(0x04) + Byte(0x82) +
                          Length16(cipher.size()) + cipher + Byte(0x04) + Byte(0x81) + Byte(digest.size()) + digest;
    return Byte(0x30) + Byte(0x82) + Length16(content.size()) + content;
}

// --- Known answer and layout

TEST(EnvelopeKnownAnswer, OpensInBothCases)
{
    for (const std::string& text : {std::string(kKnownEnvelope), Lower(kKnownEnvelope)}) {
        Bytes message;
        ASSERT_TRUE(Open(text, &message)) << text;
        EXPECT_EQ(message, kKnownMessage);
    }
}

struct SealCase {
    size_t length;
    size_t textSize;
};

void PrintTo(const SealCase& c, std::ostream* os) { *os << c.length << " bytes"; }

class EnvelopeSeal : public ::testing::TestWithParam<SealCase> {};

TEST_P(EnvelopeSeal, HasTheLayoutAndOpensWithOpenSsl)
{
    const Bytes message = MessageOf(GetParam().length);
    std::string text;
    ASSERT_TRUE(Seal(message, &text));
    ASSERT_EQ(text.size(), GetParam().textSize);
    EXPECT_EQ(text.find_first_not_of("0123456789ABCDEF"), std::string::npos);

    const Bytes b = FromHex(text);
    const size_t L = PaddedLength(message.size());
    EXPECT_EQ(b.substr(0, 4), Byte(0x30) + Byte(0x82) + Length16(L + 158));
    EXPECT_EQ(b.substr(4, 3), Byte(0x04) + Byte(0x81) + Byte(0x80));
    EXPECT_EQ(b.substr(135, 4), Byte(0x04) + Byte(0x82) + Length16(L));
    EXPECT_EQ(b.substr(139 + L, 3), Byte(0x04) + Byte(0x81) + Byte(0x14));
    EXPECT_EQ(b.substr(142 + L), Sha1(message));

    const Bytes sessionKey = RsaDecrypt(b.substr(7, 128));
    ASSERT_EQ(sessionKey.size(), kSessionKeySize);
    EXPECT_EQ(TripleDes(false, sessionKey, b.substr(kCipherOffset, L)), message);

    Bytes opened;
    ASSERT_TRUE(Open(Lower(text), &opened));
    EXPECT_EQ(opened, message);
}

INSTANTIATE_TEST_SUITE_P(Lengths, EnvelopeSeal,
                         ::testing::Values(SealCase{3, 340}, SealCase{8, 356}, SealCase{1, 340}, SealCase{7, 340},
                                           SealCase{9, 356}, SealCase{16, 372}, SealCase{100, 532}));

TEST(Envelope, SealAnswersTheSizeWithoutSealing)
{
    for (size_t length : {0, 1, 3, 8, 9, 100}) {
        SCOPED_TRACE(length);
        const Bytes message = MessageOf(length);
        const size_t needed = 2 * (PaddedLength(length) + kFraming) + 10;

        size_t capacity = 0;
        EXPECT_EQ(SealEnvelope(DemoKeys().View(), U(message), length, nullptr, &capacity), 0);
        EXPECT_EQ(capacity, needed);

        std::string buffer(needed, 'x');
        capacity = needed - 1;
        EXPECT_EQ(SealEnvelope(DemoKeys().View(), U(message), length, &buffer[0], &capacity), 0);
        EXPECT_EQ(capacity, needed);
        EXPECT_EQ(buffer, std::string(needed, 'x'));
    }
}

TEST(Envelope, OpenAnswersTheTextLengthWithoutOpening)
{
    const std::string text = kKnownEnvelope;
    Bytes buffer(text.size(), 'x');
    size_t capacity = text.size() - 1;
    EXPECT_EQ(OpenEnvelope(DemoKeys().View(), text.data(), text.size(), U(buffer), &capacity), 0);
    EXPECT_EQ(capacity, text.size());
    EXPECT_EQ(buffer, Bytes(text.size(), 'x'));
}

// --- Properties

TEST(Envelope, RoundTripsEveryLengthUpTo100)
{
    for (size_t length = 1; length <= 100; ++length) {
        SCOPED_TRACE(length);
        const Bytes message = MessageOf(length);
        std::string text;
        Bytes opened;
        ASSERT_TRUE(Seal(message, &text));
        EXPECT_EQ(text.size(), 2 * (PaddedLength(length) + kFraming));
        ASSERT_TRUE(Open(text, &opened));
        EXPECT_EQ(opened, message);
    }
}

// Session keys come from the DRBG, never from the clock: the same message
// sealed twice at once differs in every part but the digest.
TEST(Envelope, TwoSealingsOfOneMessageDiffer)
{
    const Bytes message = MessageOf(11);
    std::string first, second;
    ASSERT_TRUE(Seal(message, &first));
    ASSERT_TRUE(Seal(message, &second));
    const size_t L = PaddedLength(message.size());
    EXPECT_NE(first.substr(2 * kCipherOffset, 2 * L), second.substr(2 * kCipherOffset, 2 * L));
    EXPECT_NE(first.substr(14, 256), second.substr(14, 256));
    EXPECT_EQ(first.substr(2 * (142 + L)), second.substr(2 * (142 + L)));
}

TEST(Envelope, SessionKeysAreFreshAndUseEveryByteValue)
{
    std::set<Bytes> keys;
    bool beyondDecimal = false;
    for (int i = 0; i < 8; ++i) {
        Bytes key(kSessionKeySize, '\0');
        ASSERT_TRUE(MakeSessionKey(U(key)));
        keys.insert(key);
        for (unsigned char b : key)
            beyondDecimal = beyondDecimal || b >= 100;
    }
    EXPECT_EQ(keys.size(), 8u);
    EXPECT_TRUE(beyondDecimal);
}

TEST(Envelope, EmptyMessageCannotBeSealed)
{
    std::string buffer(400, 'x');
    size_t capacity = buffer.size();
    EXPECT_EQ(SealEnvelope(DemoKeys().View(), nullptr, 0, &buffer[0], &capacity), -1);
}

// Opening cuts the message at its zero byte, so the digest no longer matches.
TEST(Envelope, ZeroByteDoesNotSurvive)
{
    std::string text;
    Bytes opened;
    ASSERT_TRUE(Seal(Bytes("ab\0cd", 5), &text));
    EXPECT_FALSE(Open(text, &opened));
}

TEST(Envelope, AnyCiphertextOrDigestChangeFails)
{
    const Bytes message = MessageOf(11);
    std::string text;
    ASSERT_TRUE(Seal(message, &text));
    const Bytes sealed = FromHex(text);
    const size_t L = PaddedLength(message.size());
    std::vector<size_t> offsets;
    for (size_t i = kCipherOffset; i < kCipherOffset + L; ++i)
        offsets.push_back(i);
    for (size_t i = 142 + L; i < sealed.size(); ++i)
        offsets.push_back(i);
    for (size_t offset : offsets) {
        SCOPED_TRACE(offset);
        Bytes changed = sealed;
        changed[offset] = static_cast<char>(changed[offset] ^ 0x01);
        Bytes opened;
        EXPECT_FALSE(Open(ToHex(changed), &opened));
    }
}

TEST(Envelope, TagsAndLengthFormsAreNotExamined)
{
    std::string text;
    ASSERT_TRUE(Seal(MessageOf(3), &text));
    const Bytes sealed = FromHex(text);
    // Sequence tag, form and content length; key tag and form; ciphertext tag
    // and form; digest tag and form (L = 8).
    for (size_t offset : {0, 1, 2, 3, 4, 5, 135, 136, 147, 148}) {
        SCOPED_TRACE(offset);
        Bytes changed = sealed;
        changed[offset] = static_cast<char>(changed[offset] ^ 0x5A);
        Bytes opened;
        ASSERT_TRUE(Open(ToHex(changed), &opened));
        EXPECT_EQ(opened, MessageOf(3));
    }
}

TEST(Envelope, TextAfterTheDigestIsIgnored)
{
    std::string text;
    ASSERT_TRUE(Seal(MessageOf(5), &text));
    for (const char* tail : {"00", "FFFF", "zz", "0D0A"}) {
        Bytes opened;
        ASSERT_TRUE(Open(text + tail, &opened)) << tail;
        EXPECT_EQ(opened, MessageOf(5));
    }
}

TEST(Envelope, ShortOrOddTextFails)
{
    std::string text;
    ASSERT_TRUE(Seal(MessageOf(5), &text));
    const std::string cases[] = {
        text + "0",                        // odd length
        text.substr(0, text.size() - 2),  // one digest byte short
        text.substr(0, 2 * kCipherOffset), // ends before the ciphertext
        text.substr(0, 12),                // header only
        "",
    };
    for (const std::string& c : cases) {
        Bytes opened;
        EXPECT_FALSE(Open(c, &opened)) << "length " << c.size();
    }
}

// --- Envelopes built with OpenSSL around RSA blocks laid out by hand

const char kCraftedMessage[] = R"({"v":"1.0.0.3","url":"http://127.0.0.1/d","update":"1"})";

Bytes KeyBytes(size_t size)
{
    Bytes key;
    for (size_t i = 0; i < size; ++i)
        key += static_cast<char>(0x11 * (i % 15 + 1));
    return key;
}

// 00, type, filler, separator, key.
Bytes Block(unsigned first, unsigned type, unsigned filler, const Bytes& key, bool separator)
{
    return Byte(first) + Byte(type) + Bytes(128 - 3 - key.size(), static_cast<char>(filler)) +
           Byte(separator ? 0x00 : filler) + key;
}

struct BlockCase {
    const char* what;
    unsigned first, type, filler;
    size_t keySize;
    bool separator;
    bool zeroAfterType;  // a zero padding byte: the key would be all the rest
    bool opens;
};

void PrintTo(const BlockCase& c, std::ostream* os) { *os << c.what; }

// What triple-DES gets from a key of `key.size()` bytes: zeros after it.
Bytes DesKeyFor(const Bytes& key) { return (key + Bytes(kSessionKeySize, '\0')).substr(0, kSessionKeySize); }

std::string CraftedEnvelope(const Bytes& block, const Bytes& desKey, const Bytes& message)
{
    return ToHex(Frame(RsaEncrypt(RSA_NO_PADDING, block), TripleDes(true, desKey, message), Sha1(message)));
}

class EnvelopeSessionKeyBlock : public ::testing::TestWithParam<BlockCase> {};

TEST_P(EnvelopeSessionKeyBlock, OpensOnlyTheAcceptedForms)
{
    const BlockCase& c = GetParam();
    const Bytes key = KeyBytes(c.keySize);
    Bytes block = Block(c.first, c.type, c.filler, key, c.separator);
    if (c.zeroAfterType)
        block[2] = '\0';
    const std::string text = CraftedEnvelope(block, DesKeyFor(key), kCraftedMessage);
    Bytes opened;
    ASSERT_EQ(Open(text, &opened), c.opens) << c.what;
    if (c.opens) {
        EXPECT_EQ(opened, kCraftedMessage);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Blocks, EnvelopeSessionKeyBlock,
    ::testing::Values(BlockCase{"type 2, 24-byte key", 0x00, 0x02, 0xA5, 24, true, false, true},
                      BlockCase{"type 1, 24-byte key", 0x00, 0x01, 0xFF, 24, true, false, true},
                      BlockCase{"16-byte key: K1, K2 and a zero K3", 0x00, 0x02, 0xA5, 16, true, false, true},
                      BlockCase{"empty key: all zero", 0x00, 0x02, 0xA5, 0, true, false, true},
                      BlockCase{"25-byte key", 0x00, 0x02, 0xA5, 25, true, false, false},
                      BlockCase{"zero right after the type", 0x00, 0x02, 0xA5, 24, true, true, false},
                      BlockCase{"first byte not zero", 0x01, 0x02, 0xA5, 24, true, false, false},
                      BlockCase{"block type 0", 0x00, 0x00, 0xA5, 24, true, false, false},
                      BlockCase{"block type 3", 0x00, 0x03, 0xA5, 24, true, false, false},
                      BlockCase{"no separator", 0x00, 0x02, 0xA5, 24, false, false, false}));

TEST(EnvelopeParts, LengthFieldsDecide)
{
    const Bytes key = KeyBytes(24);
    const Bytes sealedKey = RsaEncrypt(RSA_NO_PADDING, Block(0x00, 0x02, 0xA5, key, true));
    const Bytes cipher = TripleDes(true, key, kCraftedMessage);
    const Bytes digest = Sha1(kCraftedMessage);
    struct Case {
        const char* what;
        Bytes keyPart, cipher, digest;
        bool opens;
    };
    const Case cases[] = {
        {"as built", sealedKey, cipher, digest, true},
        {"key part longer than the block", sealedKey + Byte(0x42), cipher, digest, true},
        {"key part shorter than the block", sealedKey.substr(0, 127), cipher, digest, false},
        {"ciphertext not whole blocks", sealedKey, cipher.substr(0, cipher.size() - 4), digest, false},
        {"digest of 19 bytes", sealedKey, cipher, digest.substr(0, 19), false},
        {"digest of 21 bytes", sealedKey, cipher, digest + Byte(0x00), false},
        // The message ends at its zero byte, three bytes in, and its last byte
        // claims five bytes of padding: nothing is left to strip them from.
        {"padding count beyond the message", sealedKey, TripleDes(true, key, Bytes("ab\x05\0\0\0\0\0", 8)),
         Sha1(Bytes("ab\x05", 3)), false},
    };
    for (const Case& c : cases) {
        Bytes opened;
        ASSERT_EQ(Open(ToHex(Frame(c.keyPart, c.cipher, c.digest)), &opened), c.opens) << c.what;
        if (c.opens) {
            EXPECT_EQ(opened, kCraftedMessage) << c.what;
        }
    }
}

}  // namespace
