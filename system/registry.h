// Registry access in the forms the program uses (ANSI, HKEY_LOCAL_MACHINE).
#pragma once

#include <windows.h>

#include <string>

#include "system/handles.h"

// Opens an existing key; an invalid RegKey when it cannot be opened.
RegKey OpenRegistryKey(HKEY root, const std::string& path, REGSAM access);

// Reads a value as text into a 260-byte buffer, whatever its type.
bool ReadRegistryText(HKEY key, const char* name, std::string* value);
