#include "tests/support/support_log_text.h"

#include <windows.h>

#include "system/log_line.h"
#include "tests/support/test_files.h"

std::string SupportLogText(const std::string& programPath)
{
    char temp[MAX_PATH + 1] = {};
    ::GetTempPathA(sizeof temp, temp);
    std::string text;
    ReadFileBytes(SupportLogPath(temp, programPath), &text);
    return text;
}

size_t SupportLogLinesWith(const std::string& programPath, const std::string& text)
{
    const std::string log = SupportLogText(programPath);
    size_t count = 0;
    for (size_t at = log.find(text); at != std::string::npos; at = log.find(text, at + 1))
        ++count;
    return count;
}

std::string ThisProgramPath()
{
    char program[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, program, sizeof program);
    return program;
}
