// Signs a manifest the way the client checks it (protocol/signed_file.h):
//   body "\r\n<Sign>" <256 upper-case hex digits> "</Sign>\r\n" closing
// over SHA-1(body + closing), with the raw RSA private operation on a PKCS#1
// type-1 block that holds the bare 20-byte digest (no DigestInfo).
#pragma once

#include <openssl/evp.h>

#include <memory>
#include <string>

#include "protocol/openssl_handles.h"
#include "tools/publish/manifest_writer.h"

using SigningKey = ossl::Pkey;

// Reads a PEM private key; it must be RSA with a 1024-bit modulus, whose
// signature fills the 256 hex digits of the trailer.
bool LoadSigningKey(const std::string& pemText, SigningKey* key, std::string* error);

// The complete signed file.
bool SignManifest(EVP_PKEY* key, const ManifestText& text, std::string* signedFile, std::string* error);
