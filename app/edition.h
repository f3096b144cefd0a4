// The compiled-in edition table and the routine that fills the configuration
// records from the build's row.
#pragma once

#include <cstdint>

// The edition this program serves: a build option, compiled into the
// program alone so that one build tree can make programs for several banks.
extern const uint32_t kBuildBankId;

// Fills editionInfo, serverInfo and the file names of installInfo for the
// build's edition. Runs once, at start-up, before anything reads them.
void SetupEdition();

// The same for any edition code; a code not in the table leaves the display
// name, server URLs and old product code empty.
void SetupEditionFor(uint32_t bankId);
