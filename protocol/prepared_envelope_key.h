// The envelope key pair read and checked once, for a server that opens and
// seals envelopes by the thousand. Its RSA is OpenSSL's, several times faster
// than mbed TLS's for the same results; session keys and padding come from
// OpenSSL's generators, which every thread keeps its own of, seeded from the
// OS. The key itself is only read after preparing, so one prepared key serves
// any number of threads at once.
#pragma once

#include <memory>
#include <string>

#include "protocol/envelope.h"
#include "protocol/openssl_handles.h"

class PreparedEnvelopeKey : public EnvelopeKey {
public:
    // Nothing when the texts are not a consistent RSA pair of 1024 bits.
    static std::unique_ptr<PreparedEnvelopeKey> Prepare(const EnvelopeKeyText& text);

    const char* Iv() const override { return iv_.c_str(); }
    bool MakeSessionKey(uint8_t key[kSessionKeySize]) const override;
    bool SealSessionKey(const uint8_t key[kSessionKeySize], uint8_t sealed[kEnvelopeBlockSize]) const override;
    bool OpenBlock(const uint8_t sealed[kEnvelopeBlockSize], uint8_t block[kEnvelopeBlockSize]) const override;

private:
    PreparedEnvelopeKey(ossl::Pkey key, std::string iv);

    ossl::Pkey key_;
    std::string iv_;
};
