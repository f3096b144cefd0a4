// Digital envelope of the version query: a triple-DES session key sealed with
// RSA, the message encrypted with it, and the message's SHA-1 digest, written
// as upper-case hex text.
//
// Binary form (L = padded ciphertext length, total L + 162 bytes; the long
// length forms are used whatever the value):
//   30 82 <L+158:2>  04 81 80 <RSA-sealed session key:128>
//   04 82 <L:2> <3DES-CBC ciphertext:L>  04 81 14 <SHA-1 of the message:20>
//
// Both functions follow a caller-allocates convention: `capacity` is in/out.
// Return 0 on success (or when only the size was asked for), -1 on failure.
#pragma once

#include <cstddef>
#include <cstdint>

#include "protocol/deploy_material.h"

constexpr size_t kSessionKeySize = 24;
constexpr size_t kEnvelopeBlockSize = 128;  // the RSA-1024 block of the session key

// Fills 24 unpredictable bytes from mbed TLS's CTR_DRBG seeded from the
// platform's entropy source; false when the generator cannot be seeded.
bool MakeSessionKey(uint8_t key[kSessionKeySize]);

// The envelope key pair as sealing and opening use it: the IV, where session
// keys come from, and the two RSA operations. The envelope's layout, padding
// and digest stay with the functions below whichever implementation is used.
// The functions taking EnvelopeKeyText set up one with mbed TLS for each call;
// a server answering many queries keeps one prepared (prepared_envelope_key.h).
class EnvelopeKey {
public:
    virtual ~EnvelopeKey() = default;

    // 8 ASCII decimal digits, used as the IV bytes.
    virtual const char* Iv() const = 0;
    // Fills an unpredictable session key; false when no sound generator is at hand.
    virtual bool MakeSessionKey(uint8_t key[kSessionKeySize]) const = 0;
    // PKCS#1 v1.5 encryption (block type 2) of the session key with the public key.
    virtual bool SealSessionKey(const uint8_t key[kSessionKeySize], uint8_t sealed[kEnvelopeBlockSize]) const = 0;
    // The raw private operation; what the block holds is for the caller to check.
    virtual bool OpenBlock(const uint8_t sealed[kEnvelopeBlockSize], uint8_t block[kEnvelopeBlockSize]) const = 0;
};

// Without `out`, or with *capacity < 2 * (L + 162) + 10, stores that number in
// *capacity and returns 0 without sealing. Otherwise writes the envelope text
// (zero-terminated when room remains), sets *capacity to its length.
int SealEnvelope(const EnvelopeKey& key, const uint8_t* message, size_t length, char* out, size_t* capacity);
int SealEnvelope(const EnvelopeKeyText& key, const uint8_t* message, size_t length, char* out, size_t* capacity);

// With *capacity < length, stores `length` and returns 0 without opening.
// Otherwise writes the message into `out` and sets *capacity to its length.
int OpenEnvelope(const EnvelopeKey& key, const char* text, size_t length, uint8_t* out, size_t* capacity);
int OpenEnvelope(const EnvelopeKeyText& key, const char* text, size_t length, uint8_t* out, size_t* capacity);
