// Where the installed assistant is recorded below HKEY_LOCAL_MACHINE.
#pragma once

#include <string>

// "Software\%s\Quillon\WebUI\%s\%x" of registryVendor, groupCode and bankId.
// With the empty vendor of this build the text holds a doubled backslash.
std::string ProductKeyPath();
