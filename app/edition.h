// The compiled-in edition table and the routine that fills the configuration
// records from the build's row.
#pragma once

#include <cstdint>

#ifndef PELLIS_BANK_ID
#define PELLIS_BANK_ID 0x811
#endif

// The edition this build serves.
constexpr uint32_t kBuildBankId = PELLIS_BANK_ID;

// Fills editionInfo, serverInfo and the file names of installInfo for the
// build's edition. Runs once, at start-up, before anything reads them.
void SetupEdition();

// The same for any edition code; a code not in the table leaves the display
// name, server URLs and old product code empty.
void SetupEditionFor(uint32_t bankId);
