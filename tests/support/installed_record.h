// The registry record of an installed assistant, as a test sets it up.
#pragma once

#include <cstdint>
#include <string>

#include "app/edition.h"

// Writes "Version" and "Path" (empty text: the value is left out) of the
// product key of an edition, in the 32-bit view like the program.
void WriteInstalledRecord(const std::string& version, const std::string& path, uint32_t bankId = kBuildBankId);

// Removes the product key.
void RemoveInstalledRecord(uint32_t bankId = kBuildBankId);
