#include "app/edition.h"

#ifndef PELLIS_BANK_ID
#error "PELLIS_BANK_ID names the edition of the program"
#endif

const uint32_t kBuildBankId = PELLIS_BANK_ID;
