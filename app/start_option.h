// Command-line options. An option counts only when it is the whole tail of the
// command line, byte for byte: "-t " or "-t -update" are no option at all.
#pragma once

#include <string>

enum class StartOption { None, Terminate, Update, LoseFile };

StartOption ParseStartOption(const std::string& commandTail);

// As the support log names it.
const char* StartOptionName(StartOption option);

extern const char kOptionUpdate[];
extern const char kOptionLoseFile[];
