#include "system/log_line.h"

#include <cstdio>

std::string FormatLogLine(const LogStamp& stamp, const std::string& text)
{
    char head[64];
    std::snprintf(head, sizeof head, "%04d-%02d-%02d %02d:%02d:%02d.%03d [%lu] ", stamp.year, stamp.month, stamp.day,
                  stamp.hour, stamp.minute, stamp.second, stamp.millisecond, stamp.thread);
    std::string line = head;
    for (const char c : text)
        line += static_cast<unsigned char>(c) < 0x20 || c == 0x7F ? ' ' : c;
    return line + "\r\n";
}

bool RotationDue(uint64_t fileSize, uint64_t lineSize, uint64_t cap)
{
    return fileSize > 0 && fileSize + lineSize > cap;
}

std::string SupportLogPath(const std::string& tempFolder, const std::string& programPath)
{
    std::string name = programPath.substr(programPath.find_last_of("\\/:") + 1);
    const size_t dot = name.rfind('.');
    if (dot != std::string::npos && dot > 0)
        name.erase(dot);
    std::string folder = tempFolder;
    if (!folder.empty() && folder.back() != '\\')
        folder += '\\';
    return folder + name + ".log";
}

std::string OlderGenerationPath(const std::string& logPath)
{
    return logPath + ".1";
}
