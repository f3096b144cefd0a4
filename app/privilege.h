#pragma once

#include <windows.h>

// Enables "SeTakeOwnershipPrivilege" in the process's token. True when the
// token was adjusted, even if the account does not hold the privilege.
bool EnableTakeOwnership(HANDLE process);
