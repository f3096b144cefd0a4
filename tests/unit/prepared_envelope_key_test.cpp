// The prepared key against the per-call one the program uses: the same
// envelopes open to the same bytes, what either seals the other opens, and
// one prepared key serves many threads at once.
#include <gtest/gtest.h>

#include <openssl/bn.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "protocol/deploy_keys.h"
#include "protocol/envelope.h"
#include "protocol/prepared_envelope_key.h"
#include "demo_keys.h"
#include "source_path.h"

namespace {

using Bytes = std::vector<uint8_t>;

const PreparedEnvelopeKey& Prepared()
{
    static const std::unique_ptr<PreparedEnvelopeKey> key = PreparedEnvelopeKey::Prepare(DemoKeys().View());
    EXPECT_TRUE(key);
    return *key;
}

Bytes MessageOf(size_t length)
{
    Bytes message;
    for (size_t i = 0; i < length; ++i)
        message.push_back(static_cast<uint8_t>((i * 31 + 7) % 255 + 1));
    return message;
}

template <class Key>
std::string SealWith(const Key& key, const Bytes& message)
{
    size_t capacity = 0;
    EXPECT_EQ(SealEnvelope(key, message.data(), message.size(), nullptr, &capacity), 0);
    std::string text(capacity, '\0');
    EXPECT_EQ(SealEnvelope(key, message.data(), message.size(), text.data(), &capacity), 0);
    text.resize(capacity);
    return text;
}

struct Opened {
    int result = 0;
    size_t capacity = 0;
    Bytes bytes;

    bool operator==(const Opened& other) const
    {
        return result == other.result && capacity == other.capacity && bytes == other.bytes;
    }
};

// Opens as the request channel does: a zeroed buffer of text length plus one.
template <class Key>
Opened OpenWith(const Key& key, const std::string& text)
{
    Opened opened;
    opened.bytes.assign(text.size() + 1, 0);
    opened.capacity = opened.bytes.size();
    opened.result = OpenEnvelope(key, text.data(), text.size(), opened.bytes.data(), &opened.capacity);
    return opened;
}

// Textbook RSA with the public key, x^e mod n: the private operation's one
// right answer for a block is the x it was made from.
Bytes RawPublic(const Bytes& block)
{
    BIGNUM* n = nullptr;
    BIGNUM* e = nullptr;
    BN_hex2bn(&n, DemoKeys().n.c_str());
    BN_hex2bn(&e, DemoKeys().e.c_str());
    BIGNUM* x = BN_bin2bn(block.data(), static_cast<int>(block.size()), nullptr);
    BIGNUM* y = BN_new();
    BN_CTX* ctx = BN_CTX_new();
    Bytes out(kEnvelopeBlockSize);
    EXPECT_EQ(BN_mod_exp(y, x, e, n, ctx), 1);
    EXPECT_EQ(BN_bn2binpad(y, out.data(), static_cast<int>(out.size())), static_cast<int>(out.size()));
    BN_CTX_free(ctx);
    BN_free(y);
    BN_free(x);
    BN_free(e);
    BN_free(n);
    return out;
}

Bytes BlockOf(std::initializer_list<uint8_t> head, uint8_t filler)
{
    Bytes block(kEnvelopeBlockSize, filler);
    std::copy(head.begin(), head.end(), block.begin());
    return block;
}

TEST(PreparedEnvelopeKey, PrivateOperationInvertsThePublicOne)
{
    Bytes one(kEnvelopeBlockSize, 0);
    one.back() = 1;
    const struct {
        const char* what;
        Bytes block;
    } cases[] = {
        {"type 2 block", BlockOf({0x00, 0x02, 0xA5, 0xA5, 0x00, 0x11}, 0x22)},
        {"type 1 block", BlockOf({0x00, 0x01, 0xFF, 0xFF, 0x00, 0x11}, 0x33)},
        {"zero", Bytes(kEnvelopeBlockSize, 0)},
        {"one", one},
        {"leading zero bytes", BlockOf({0x00, 0x00, 0x00, 0x07}, 0x5C)},
        {"just below the modulus's top byte", BlockOf({0x5F}, 0xFF)},
    };
    ASSERT_LT(0x5F, std::stoi(DemoKeys().n.substr(0, 2), nullptr, 16));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Bytes opened(kEnvelopeBlockSize, 0xEE);
        ASSERT_TRUE(Prepared().OpenBlock(RawPublic(c.block).data(), opened.data()));
        EXPECT_EQ(opened, c.block);
    }
    // A block above the modulus is no RSA block: refused, as mbed TLS refuses it.
    Bytes opened(kEnvelopeBlockSize);
    EXPECT_FALSE(Prepared().OpenBlock(Bytes(kEnvelopeBlockSize, 0xFF).data(), opened.data()));
}

// Every text a client might send, damaged anywhere: both keys give the same
// result, the same length and the same bytes.
TEST(PreparedEnvelopeKey, OpensEveryTextAsThePerCallKeyDoes)
{
    const std::string sealed = SealWith(DemoKeys().View(), MessageOf(11));
    std::vector<std::string> texts = {
        sealed,
        SealWith(DemoKeys().View(), MessageOf(8)),
        SealWith(DemoKeys().View(), MessageOf(100)),
        sealed + "0D0A",
        sealed + "0",
        sealed.substr(0, sealed.size() - 2),
        sealed.substr(0, 300),
        sealed.substr(0, 12),
        "",
        std::string(sealed.size(), 'z'),
    };
    std::string lower = sealed;
    for (char& c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    texts.push_back(lower);
    // One changed digit at every position: header, RSA block, ciphertext, digest.
    for (size_t i = 0; i < sealed.size(); ++i) {
        std::string changed = sealed;
        changed[i] = changed[i] == '7' ? 'C' : '7';
        texts.push_back(changed);
    }
    size_t opened = 0;
    for (const std::string& text : texts) {
        SCOPED_TRACE(text);
        const Opened byText = OpenWith(DemoKeys().View(), text);
        EXPECT_EQ(OpenWith(Prepared(), text), byText);
        opened += byText.result == 0 && byText.capacity < text.size();
    }
    // The sound texts, the lower-case one and those whose header changed.
    EXPECT_GE(opened, 5u);
}

TEST(PreparedEnvelopeKey, SealsWhatThePerCallKeyOpens)
{
    for (size_t length = 1; length <= 100; ++length) {
        SCOPED_TRACE(length);
        const Bytes message = MessageOf(length);
        const std::string text = SealWith(Prepared(), message);
        EXPECT_EQ(text.size(), SealWith(DemoKeys().View(), message).size());
        const Opened opened = OpenWith(DemoKeys().View(), text);
        ASSERT_EQ(opened.result, 0);
        EXPECT_EQ(Bytes(opened.bytes.begin(), opened.bytes.begin() + opened.capacity), message);
    }
}

// Fresh session keys and padding for every envelope: eight sealings of one
// message share only the digest.
TEST(PreparedEnvelopeKey, EverySealingIsFresh)
{
    std::set<std::string> keyBlocks, ciphertexts;
    for (int i = 0; i < 8; ++i) {
        const std::string text = SealWith(Prepared(), MessageOf(11));
        keyBlocks.insert(text.substr(14, 256));
        ciphertexts.insert(text.substr(278, 32));
    }
    EXPECT_EQ(keyBlocks.size(), 8u);
    EXPECT_EQ(ciphertexts.size(), 8u);
}

// The prepared key with one of its sealing steps out of order, as when the
// system's random source fails.
class BrokenKey : public EnvelopeKey {
public:
    BrokenKey(bool makes, bool seals) : makes_(makes), seals_(seals) {}

    const char* Iv() const override { return Prepared().Iv(); }
    bool MakeSessionKey(uint8_t key[kSessionKeySize]) const override
    {
        return makes_ && Prepared().MakeSessionKey(key);
    }
    bool SealSessionKey(const uint8_t key[kSessionKeySize], uint8_t sealed[kEnvelopeBlockSize]) const override
    {
        return seals_ && Prepared().SealSessionKey(key, sealed);
    }
    bool OpenBlock(const uint8_t sealed[kEnvelopeBlockSize], uint8_t block[kEnvelopeBlockSize]) const override
    {
        return Prepared().OpenBlock(sealed, block);
    }

private:
    bool makes_;
    bool seals_;
};

// No session key, or none sealed: sealing fails and writes nothing, so no
// query can leave with a key that was never made.
TEST(PreparedEnvelopeKey, NothingIsSealedWhenASealingStepFails)
{
    const Bytes message = MessageOf(3);
    for (const BrokenKey& key : {BrokenKey(false, true), BrokenKey(true, false)}) {
        size_t capacity = 0;
        ASSERT_EQ(SealEnvelope(key, message.data(), message.size(), nullptr, &capacity), 0);
        std::string text(capacity, '\0');
        EXPECT_EQ(SealEnvelope(key, message.data(), message.size(), text.data(), &capacity), -1);
        EXPECT_EQ(text, std::string(text.size(), '\0'));
    }
    EXPECT_EQ(SealWith(BrokenKey(true, true), message).size(), 340u);
}

TEST(PreparedEnvelopeKey, RefusesPartsThatDoNotBelongTogether)
{
    const auto changed = [](std::string DeployEnvelopeKeys::*part, const std::string& value) {
        DeployEnvelopeKeys keys = DemoKeys();
        keys.*part = value;
        return keys;
    };
    const auto lastDigitChanged = [&](std::string DeployEnvelopeKeys::*part) {
        std::string value = DemoKeys().*part;
        value.back() = value.back() == '1' ? '3' : '1';
        return changed(part, value);
    };
    const struct {
        const char* what;
        DeployEnvelopeKeys keys;
        bool prepared;
    } cases[] = {
        {"as deployed", DemoKeys(), true},
        {"another modulus", lastDigitChanged(&DeployEnvelopeKeys::n), false},
        {"another private exponent", lastDigitChanged(&DeployEnvelopeKeys::d), false},
        {"another prime", lastDigitChanged(&DeployEnvelopeKeys::p), false},
        {"another CRT coefficient", lastDigitChanged(&DeployEnvelopeKeys::qp), false},
        {"exponent 3", changed(&DeployEnvelopeKeys::e, "000003"), false},
        {"no hex", changed(&DeployEnvelopeKeys::d, "xyz"), false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(PreparedEnvelopeKey::Prepare(c.keys.View()) != nullptr, c.prepared) << c.what;
    }
}

TEST(PreparedEnvelopeKey, ServesManyThreadsAtOnce)
{
    constexpr int kThreads = 8;
    constexpr int kRounds = 40;
    std::atomic<int> right{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t, &right] {
            for (int round = 0; round < kRounds; ++round) {
                const Bytes message = MessageOf(static_cast<size_t>(1 + (t * kRounds + round) % 100));
                const Opened opened = OpenWith(Prepared(), SealWith(Prepared(), message));
                right += opened.result == 0 &&
                         Bytes(opened.bytes.begin(), opened.bytes.begin() + opened.capacity) == message;
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(right.load(), kThreads * kRounds);
}

}  // namespace
