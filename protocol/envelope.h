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

// Fills 24 unpredictable bytes from mbed TLS's CTR_DRBG seeded from the
// platform's entropy source; false when the generator cannot be seeded.
bool MakeSessionKey(uint8_t key[kSessionKeySize]);

// Without `out`, or with *capacity < 2 * (L + 162) + 10, stores that number in
// *capacity and returns 0 without sealing. Otherwise writes the envelope text
// (zero-terminated when room remains), sets *capacity to its length.
int SealEnvelope(const EnvelopeKeyText& key, const uint8_t* message, size_t length, char* out, size_t* capacity);

// With *capacity < length, stores `length` and returns 0 without opening.
// Otherwise writes the message into `out` and sets *capacity to its length.
int OpenEnvelope(const EnvelopeKeyText& key, const char* text, size_t length, uint8_t* out, size_t* capacity);
