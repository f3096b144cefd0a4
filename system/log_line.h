// The support log's text: one line per event, its file's name, and when the
// file gives way to a fresh one. Portable, so the native tests pin it down;
// system/support_log.cpp writes it.
#pragma once

#include <cstdint>
#include <string>

// When and on which thread an event happened, in local time.
struct LogStamp {
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 0;
    unsigned long thread = 0;
};

// "2026-12-11 03:50:02.123 [1234] text" and CRLF, as Notepad shows it. A line
// break or other control character inside `text` becomes a blank, so an event
// never spans two lines.
std::string FormatLogLine(const LogStamp& stamp, const std::string& text);

// The cap a log file grows to before the older generation takes its place.
constexpr uint64_t kSupportLogCap = 1024 * 1024;

// Whether appending `lineSize` bytes to a file of `fileSize` would pass `cap`,
// so the file becomes the older generation first. A line that alone passes
// the cap still goes into an empty file.
bool RotationDue(uint64_t fileSize, uint64_t lineSize, uint64_t cap);

// `tempFolder` (with or without its trailing "\") + the program's file name
// without its extension + ".log": "C:\Temp\" and "C:\x\pellis_811.exe" give
// "C:\Temp\pellis_811.log".
std::string SupportLogPath(const std::string& tempFolder, const std::string& programPath);

// Where the one older generation of `logPath` is kept: `logPath` + ".1".
std::string OlderGenerationPath(const std::string& logPath);
