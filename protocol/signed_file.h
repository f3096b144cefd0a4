// Signature check of downloaded manifests. A signed file ends in
//   <signed body> "\r\n<Sign>" <256 hex digits> <9 gap bytes> <closing part>
// where the closing part runs from the file's last '<' to its end. The signed
// data is the body followed by the closing part (the file minus those 273
// bytes); the signature is the raw RSA private operation over a PKCS#1 type-1
// block holding the bare 20-byte SHA-1 of it (no DigestInfo).
#pragma once

#include <cstddef>
#include <string>

// The trailer's fixed parts. Signers write "</Sign>\r\n" into the gap; the
// check only skips its nine bytes.
inline constexpr char kSignatureMarker[] = "\r\n<Sign>";
inline constexpr size_t kSignatureBytes = 128;  // written as 256 hex digits
inline constexpr char kSignatureGap[] = "</Sign>\r\n";

// Pure check of a file's contents against a PKCS#1 "RSA PUBLIC KEY" PEM text.
bool VerifySignedContents(const std::string& publicKeyPem, const std::string& contents);

// Reads the file at `path` (8-bit text) and checks it; never changes the file.
bool VerifySignedFile(const std::string& publicKeyPem, const char* path);

// The program's checks: the key compiled in from the deployment folder.
bool VerifySignedFile(const char* path);
bool VerifySignedContents(const std::string& contents);
