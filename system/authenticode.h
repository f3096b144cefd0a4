// The platform's Authenticode check of programs the updater downloads and then
// starts with administrator rights.
#pragma once

#include <windows.h>

#include <string>

#include "system/handles.h"

// WinVerifyTrust's verdict on the signature of the open `file` at `path` (an
// 8-bit path, also handed to the check): ERROR_SUCCESS when the signature is
// intact and its chain leads to a trusted root, else a TRUST_E_ or CERT_E_ code.
LONG CheckAuthenticode(HANDLE file, const std::string& path);

// Opens `path` for reading so that, while the handle lives, nobody can write,
// replace, rename or delete it, and checks its signature through that handle.
// What is then started from `path` is what was checked. No handle when the file
// cannot be opened that way or is not trusted.
UniqueHandle OpenTrustedFile(const std::string& path);
