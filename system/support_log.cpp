#include "system/support_log.h"

#include <cstdarg>
#include <cstdio>
#include <utility>
#include <vector>

#include "system/link_checks.h"
#include "system/log_line.h"

namespace {

LogStamp Now()
{
    SYSTEMTIME time{};
    ::GetLocalTime(&time);
    return {time.wYear, time.wMonth,  time.wDay,         time.wHour,
            time.wMinute, time.wSecond, time.wMilliseconds, ::GetCurrentThreadId()};
}

std::string ProgramLogPath()
{
    char temp[MAX_PATH + 1] = {};
    char program[MAX_PATH] = {};
    const DWORD tempLength = ::GetTempPathA(sizeof temp, temp);
    const DWORD programLength = ::GetModuleFileNameA(nullptr, program, sizeof program);
    if (tempLength == 0 || tempLength > MAX_PATH || programLength == 0 || programLength >= sizeof program)
        return std::string();
    return SupportLogPath(temp, program);
}

// Opened at the first event, on whichever thread logs first.
SupportLogFile& ProgramLog()
{
    static SupportLogFile log(ProgramLogPath(), kSupportLogCap);
    return log;
}

HANDLE OpenForAppending(const std::string& path, DWORD disposition = OPEN_ALWAYS)
{
    return ::CreateFileA(path.c_str(), FILE_APPEND_DATA | FILE_READ_ATTRIBUTES,
                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, disposition,
                         FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
}

}  // namespace

SupportLogFile::SupportLogFile(std::string path, uint64_t cap) : path_(std::move(path)), cap_(cap) {}

void SupportLogFile::Open()
{
    if (path_.empty())
        return;
    // Appends only, and lets readers, other writers and the rotation's rename
    // at the file meanwhile. Not inherited by the programs the run starts.
    file_.reset(OpenForAppending(path_));
    // The user's temporary folder is the user's: a link or a second name of
    // another file planted there would have this elevated program write into
    // that file. Such a name is removed (the name only) and the log begun anew.
    if (file_ && !IsPlainFile(ReadLinkFacts(file_.get(), path_))) {
        file_.reset();
        if (::DeleteFileA(path_.c_str()))
            file_.reset(OpenForAppending(path_, CREATE_NEW));
        if (file_ && !IsPlainFile(ReadLinkFacts(file_.get(), path_)))
            file_.reset();
    }
}

void SupportLogFile::Write(const std::string& text)
{
    const std::string line = FormatLogLine(Now(), text);
    const std::lock_guard<std::mutex> guard(lock_);
    if (!file_)
        Open();
    if (!file_)
        return;
    LARGE_INTEGER size{};
    if (::GetFileSizeEx(file_.get(), &size) && RotationDue(static_cast<uint64_t>(size.QuadPart), line.size(), cap_)) {
        file_.reset();
        ::MoveFileExA(path_.c_str(), OlderGenerationPath(path_).c_str(), MOVEFILE_REPLACE_EXISTING);
        Open();
        if (!file_)
            return;
    }
    DWORD written = 0;
    ::WriteFile(file_.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

void LogEvent(const char* format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    va_list again;
    va_copy(again, arguments);
    const int length = std::vsnprintf(nullptr, 0, format, arguments);
    va_end(arguments);
    if (length >= 0) {
        std::vector<char> text(static_cast<size_t>(length) + 1);
        std::vsnprintf(text.data(), text.size(), format, again);
        ProgramLog().Write(text.data());
    }
    va_end(again);
}

void EndRun(const char* reason)
{
    LogEvent("exit: %s", reason);
    ::ExitProcess(0);
}
