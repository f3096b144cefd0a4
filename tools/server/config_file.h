// pellis-server's configuration file: the [server] settings and one
// [bank NAME] section per bank (the format is in kUsage, options.cpp).
#pragma once

#include <string>

#include "tools/server/options.h"

// Reads `path` into `options`; false, with the file, line and reason, when it
// cannot be read, is no INI, or names a setting, section or value it should not.
bool ReadConfigFile(const std::string& path, ServerOptions* options, std::string* error);
