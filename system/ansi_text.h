// Text in the ANSI code page, which every narrow Windows call of the program
// takes, from the UTF-8 that manifests carry.
#pragma once

#include <string>

// UTF-8 to the ANSI code page through UTF-16; characters the code page lacks
// become its default character. Empty when a conversion fails.
std::string Utf8ToAnsi(const std::string& text);
