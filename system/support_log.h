// The support log: a plain-text file a customer can send to the bank's
// support desk, one line per event (system/log_line.h). Every part of the
// program reports through LogEvent; writing never fails a run, and nothing
// secret is ever handed to it (no key, no envelope, no signature bytes).
#pragma once

#include <windows.h>

#include <cstdint>
#include <mutex>
#include <string>

#include "system/handles.h"

// One log file, capped: a line that would pass the cap first moves the file
// to its older generation (OlderGenerationPath) and starts a fresh one. Safe
// for every thread of the process; other processes (a second instance, the
// program started again by an update) append to the same file alongside.
class SupportLogFile {
public:
    SupportLogFile(std::string path, uint64_t cap);
    SupportLogFile(const SupportLogFile&) = delete;
    SupportLogFile& operator=(const SupportLogFile&) = delete;

    // Appends one line, stamped now and with the calling thread. A file that
    // cannot be opened or written loses the line, nothing else.
    void Write(const std::string& text);

private:
    void Open();

    const std::string path_;
    const uint64_t cap_;
    std::mutex lock_;
    UniqueHandle file_;
};

// One event into this program's log, in the signed-in user's temporary folder
// (SupportLogPath), printf-style.
void LogEvent(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Logs the end of the run with `reason` and ends the process with exit code 0.
[[noreturn]] void EndRun(const char* reason);
