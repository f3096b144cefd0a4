// The support log a program under test writes into the temporary folder it
// shares with the test, as the tests read it.
#pragma once

#include <cstddef>
#include <string>

// The log of the program at `programPath` ("pellis_811.exe" or a full path);
// empty when there is none.
std::string SupportLogText(const std::string& programPath);

// How many times `text` stands in that log.
size_t SupportLogLinesWith(const std::string& programPath, const std::string& text);

// This test program's own path, for the engine tests, which log as themselves.
std::string ThisProgramPath();
