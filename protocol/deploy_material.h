// Key material of the deployment the program was built for (see deploy/).
#pragma once

// The envelope key pair as hexadecimal texts, and the triple-DES IV.
struct EnvelopeKeyText {
    const char* n;       // modulus, 256 lower-case hex digits
    const char* e;       // public exponent, "010001"
    const char* d;       // private exponent, 256 digits
    const char* crt[5];  // P, Q, D mod (P-1), D mod, Q^-1 mod P; 128 digits each
    const char* iv;      // 8 ASCII decimal digits, used as the IV bytes
};

extern const EnvelopeKeyText kBuiltInEnvelopeKey;

// Manifest-signing public key: PKCS#1 "RSA PUBLIC KEY" PEM text, 247 characters.
extern const char kBuiltInSigningKey[];

// Manifest-signing Ed25519 public key: SubjectPublicKeyInfo PEM text; empty
// when the deployment has none (then no .sig file is asked for).
extern const char kBuiltInDetachedKey[];

// The common name (UTF-8) in the subject of the certificate that must have
// signed the platform runtime packages; never empty.
extern const char kBuiltInRuntimePublisher[];
