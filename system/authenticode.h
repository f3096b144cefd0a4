// The platform's Authenticode check of programs the updater downloads and then
// starts with administrator rights.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "system/handles.h"

// WinVerifyTrust's verdict on the signature of the open `file` at `path` (an
// 8-bit path, also handed to the check): ERROR_SUCCESS when the signature is
// intact and its chain leads to a trusted root, else a TRUST_E_ or CERT_E_ code.
// With ERROR_SUCCESS and `signerCommonNames` given, that receives the common
// names (UTF-8, in the subject's order) of the certificate that made the
// signature, as the check itself read it.
LONG CheckAuthenticode(HANDLE file, const std::string& path, std::vector<std::string>* signerCommonNames = nullptr);

// Opens `path` for reading so that, while the handle lives, nobody can write,
// replace, rename or delete it, and checks its signature through that handle:
// trusted, and made by a certificate whose subject names `expectedSigner`
// (IsExpectedSigner). What is then started from `path` is what was checked. No
// handle when the file cannot be opened that way, is not trusted or was signed
// by anyone else.
UniqueHandle OpenTrustedFile(const std::string& path, const std::string& expectedSigner);
