#include "protocol/prepared_envelope_key.h"

#include <openssl/core_names.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/param_build.h>
#include <openssl/rand.h>
#include <openssl/rsa.h>

#include <utility>
#include <vector>

#include "protocol/openssl_handles.h"

namespace {

using Context = ossl::PkeyCtx;

// A failed operation (an envelope that does not open, say) leaves entries in
// the thread's OpenSSL error queue, which the same thread's TLS sessions read
// too; they are dropped where the failure is reported as false.
bool Fail()
{
    ERR_clear_error();
    return false;
}

// An operation on the shared key with a context of its own: contexts hold
// per-operation state, the key only what preparing put there.
Context ContextFor(EVP_PKEY* key, int (*init)(EVP_PKEY_CTX*), int padding)
{
    Context context(EVP_PKEY_CTX_new_from_pkey(nullptr, key, nullptr));
    if (!context || init(context.get()) <= 0 || EVP_PKEY_CTX_set_rsa_padding(context.get(), padding) <= 0)
        return nullptr;
    return context;
}

}  // namespace

PreparedEnvelopeKey::PreparedEnvelopeKey(ossl::Pkey key, std::string iv)
    : key_(std::move(key)), iv_(std::move(iv))
{
}

std::unique_ptr<PreparedEnvelopeKey> PreparedEnvelopeKey::Prepare(const EnvelopeKeyText& text)
{
    const std::pair<const char*, const char*> parts[] = {
        {OSSL_PKEY_PARAM_RSA_N, text.n},
        {OSSL_PKEY_PARAM_RSA_E, text.e},
        {OSSL_PKEY_PARAM_RSA_D, text.d},
        {OSSL_PKEY_PARAM_RSA_FACTOR1, text.crt[0]},
        {OSSL_PKEY_PARAM_RSA_FACTOR2, text.crt[1]},
        {OSSL_PKEY_PARAM_RSA_EXPONENT1, text.crt[2]},
        {OSSL_PKEY_PARAM_RSA_EXPONENT2, text.crt[3]},
        {OSSL_PKEY_PARAM_RSA_COEFFICIENT1, text.crt[4]},
    };
    const ossl::ParamBuilder builder(OSSL_PARAM_BLD_new());
    if (!builder)
        return nullptr;
    // The builder refers to the numbers until the parameters are made.
    std::vector<ossl::Bignum> numbers;
    for (const auto& [name, hex] : parts) {
        BIGNUM* number = nullptr;
        if (!BN_hex2bn(&number, hex))
            return nullptr;
        numbers.emplace_back(number);
        if (!OSSL_PARAM_BLD_push_BN(builder.get(), name, number))
            return nullptr;
    }
    const ossl::Params params(OSSL_PARAM_BLD_to_param(builder.get()));
    const Context maker(EVP_PKEY_CTX_new_from_name(nullptr, "RSA", nullptr));
    EVP_PKEY* made = nullptr;
    if (!params || !maker || EVP_PKEY_fromdata_init(maker.get()) <= 0 ||
        EVP_PKEY_fromdata(maker.get(), &made, EVP_PKEY_KEYPAIR, params.get()) <= 0)
        return nullptr;
    ossl::Pkey key(made);

    // As mbed TLS's private-key check does for the per-call key: the parts
    // must belong together, and the block must be the envelope's.
    const Context checker(EVP_PKEY_CTX_new_from_pkey(nullptr, key.get(), nullptr));
    if (EVP_PKEY_get_size(key.get()) != static_cast<int>(kEnvelopeBlockSize) || !checker ||
        EVP_PKEY_check(checker.get()) != 1) {
        ERR_clear_error();
        return nullptr;
    }
    return std::unique_ptr<PreparedEnvelopeKey>(new PreparedEnvelopeKey(std::move(key), text.iv));
}

bool PreparedEnvelopeKey::MakeSessionKey(uint8_t key[kSessionKeySize]) const
{
    // The private generator: what it gives is a secret, not padding.
    return RAND_priv_bytes(key, static_cast<int>(kSessionKeySize)) == 1 || Fail();
}

bool PreparedEnvelopeKey::SealSessionKey(const uint8_t key[kSessionKeySize], uint8_t sealed[kEnvelopeBlockSize]) const
{
    const Context context = ContextFor(key_.get(), EVP_PKEY_encrypt_init, RSA_PKCS1_PADDING);
    size_t size = kEnvelopeBlockSize;
    return (context && EVP_PKEY_encrypt(context.get(), sealed, &size, key, kSessionKeySize) > 0 &&
            size == kEnvelopeBlockSize) ||
           Fail();
}

bool PreparedEnvelopeKey::OpenBlock(const uint8_t sealed[kEnvelopeBlockSize], uint8_t block[kEnvelopeBlockSize]) const
{
    const Context context = ContextFor(key_.get(), EVP_PKEY_decrypt_init, RSA_NO_PADDING);
    size_t size = kEnvelopeBlockSize;
    return (context && EVP_PKEY_decrypt(context.get(), block, &size, sealed, kEnvelopeBlockSize) > 0 &&
            size == kEnvelopeBlockSize) ||
           Fail();
}
