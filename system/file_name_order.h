// File names as Windows compares them: without regard to letter case, so
// "Config.ini" and "CONFIG.INI" are one file and share one ".part". Names are
// 8-bit ANSI text; they are compared on their UTF-16 form with the system's
// upper-case table, as the file system compares them.
#pragma once

#include <string>

// A strict weak order under which names that differ only in case are equal.
struct FileNameLess {
    bool operator()(const std::string& left, const std::string& right) const;
};

bool SameFileName(const std::string& left, const std::string& right);
