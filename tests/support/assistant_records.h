// What the stand-ins of the assistant's programs recorded (see
// tests/stand_ins/assistant_stand_in.h), and ending them after a test.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// The recorded starts as "<file name>[ <tail>]", in the order in which the
// processes were created (not the order in which they got to write).
std::vector<std::string> ReadStarts();

// Waits until `start` has been recorded `times` times; false after `ms`.
bool WaitForStart(const std::string& start, DWORD ms, size_t times = 1);

// Waits until at least `count` starts are recorded; the starts then.
std::vector<std::string> WaitForStarts(size_t count, DWORD ms);

// The command-line tails of `program`'s starts, in order ("-t", or "" for a
// start without arguments).
std::vector<std::string> StartsOf(const std::vector<std::string>& starts, const std::string& program);

// The messages received on the assistant's pipe, in lower-case hexadecimal.
std::vector<std::string> ReadPipeMessages();

// Removes both records.
void ClearRecords();

// Terminates every process with that image name.
void TerminateAll(const std::string& imageName);

// Lower-case hexadecimal of bytes, as the pipe record holds them.
std::string HexOf(const std::string& bytes);
