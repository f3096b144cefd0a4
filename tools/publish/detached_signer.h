// Writing the Ed25519 signature beside each manifest (its form: the core's
// protocol/detached_signature.h). A deployment folder that holds
// signing-ed25519.key.pem (PKCS#8) also holds signing-ed25519.pub.pem
// (SubjectPublicKeyInfo); one without the pair publishes manifests with the
// RSA signature alone, as before.
#pragma once

#include <string>

#include "tools/publish/manifest_signer.h"

extern const char kDetachedSigningKeyName[];
extern const char kDetachedVerifyingKeyName[];

// The private key of an Ed25519 pair read from its two PEM texts; false with
// `error` set when either is not an Ed25519 key or the two do not belong
// together.
bool LoadDetachedKeys(const std::string& privatePem, const std::string& publicPem, SigningKey* privateKey,
                      std::string* error);

// The .sig text for `contents`.
bool SignDetached(EVP_PKEY* privateKey, const std::string& contents, std::string* signature, std::string* error);
