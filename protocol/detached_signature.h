// The second, modern signature of a manifest: Ed25519 over the manifest file's
// exact bytes, published beside it as "<manifest name>.sig". The .sig file
// holds the 64-byte signature in standard Base64: 88 characters ending in
// "==", nothing before or after them (no line end).
//
// The key is a SubjectPublicKeyInfo PEM text ("-----BEGIN PUBLIC KEY-----").
// A deployment that has one requires both .sig files; one without publishes
// and accepts manifests with the RSA signature alone, as before.
#pragma once

#include <string>

extern const char kDetachedSignatureSuffix[];

constexpr size_t kDetachedSignatureSize = 64;
constexpr size_t kDetachedSignatureTextSize = 88;

// The .sig text of a 64-byte signature.
std::string DetachedSignatureText(const unsigned char (&signature)[kDetachedSignatureSize]);

// Pure: whether `signatureText` is the .sig text of a valid Ed25519 signature
// of `contents` under `publicKeyPem`. False for a key that is not Ed25519, and
// for any text but the exact 88 characters.
bool VerifyDetachedSignature(const std::string& publicKeyPem, const std::string& contents,
                             const std::string& signatureText);

// The program's check, with the key compiled in from the deployment folder.
// Required: the deployment has the key; then every manifest needs its .sig.
bool DetachedSignatureRequired();
bool VerifyDetachedSignature(const std::string& contents, const std::string& signatureText);
