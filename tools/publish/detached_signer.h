// The second, modern signature of a manifest: Ed25519 over the manifest file's
// exact bytes, written beside it as "<manifest name>.sig" holding the 64-byte
// signature in standard Base64 (88 characters, no line end).
//
// A deployment folder that holds signing-ed25519.key.pem (PKCS#8) also holds
// signing-ed25519.pub.pem (SubjectPublicKeyInfo); one without the pair
// publishes manifests with the RSA signature alone, as before.
#pragma once

#include <string>

#include "tools/publish/manifest_signer.h"

extern const char kDetachedSigningKeyName[];
extern const char kDetachedVerifyingKeyName[];
extern const char kDetachedSignatureSuffix[];

// An Ed25519 key pair read from its two PEM texts; false with `error` set when
// either is not an Ed25519 key or the two do not belong together.
bool LoadDetachedKeys(const std::string& privatePem, const std::string& publicPem, SigningKey* privateKey,
                      SigningKey* publicKey, std::string* error);

// The .sig text for `contents`.
bool SignDetached(EVP_PKEY* privateKey, const std::string& contents, std::string* signature, std::string* error);

// Whether `signature` (.sig text) is a valid signature of `contents`.
bool VerifyDetached(EVP_PKEY* publicKey, const std::string& contents, const std::string& signature);
