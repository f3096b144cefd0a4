#include "tests/support/assistant_records.h"

#include <tlhelp32.h>

#include <algorithm>
#include <utility>

#include "system/handles.h"
#include "tests/stand_ins/assistant_stand_in.h"
#include "tests/support/test_files.h"
#include "tests/support/wait_until.h"

namespace {

constexpr DWORD kPollMs = 50;

// Complete lines only: a stand-in may be writing the last one.
std::vector<std::string> ReadLines(const char* path)
{
    std::string text;
    std::vector<std::string> lines;
    if (!ReadFileBytes(path, &text))
        return lines;
    size_t start = 0;
    for (size_t end = text.find("\r\n"); end != std::string::npos; end = text.find("\r\n", start)) {
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

}  // namespace

std::vector<std::string> ReadStarts()
{
    std::vector<std::pair<std::string, std::string>> stamped;
    for (const std::string& line : ReadLines(kAssistantStartsLog)) {
        const size_t blank = line.find(' ');
        stamped.emplace_back(line.substr(0, blank), blank == std::string::npos ? "" : line.substr(blank + 1));
    }
    // Fixed-width stamps: text order is time order.
    std::stable_sort(stamped.begin(), stamped.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<std::string> starts;
    for (auto& entry : stamped)
        starts.push_back(std::move(entry.second));
    return starts;
}

bool WaitForStart(const std::string& start, DWORD ms, size_t times)
{
    return WaitUntil(
        [&] {
            const std::vector<std::string> starts = ReadStarts();
            return static_cast<size_t>(std::count(starts.begin(), starts.end(), start)) >= times;
        },
        ms, kPollMs);
}

std::vector<std::string> WaitForStarts(size_t count, DWORD ms)
{
    std::vector<std::string> starts;
    WaitUntil(
        [&] {
            starts = ReadStarts();
            return starts.size() >= count;
        },
        ms, kPollMs);
    return starts;
}

std::vector<std::string> StartsOf(const std::vector<std::string>& starts, const std::string& program)
{
    std::vector<std::string> tails;
    for (const std::string& start : starts) {
        if (start == program)
            tails.push_back("");
        else if (start.compare(0, program.size() + 1, program + " ") == 0)
            tails.push_back(start.substr(program.size() + 1));
    }
    return tails;
}

std::vector<std::string> ReadPipeMessages()
{
    return ReadLines(kAssistantPipeLog);
}

void ClearRecords()
{
    ::DeleteFileA(kAssistantStartsLog);
    ::DeleteFileA(kAssistantPipeLog);
}

void TerminateAll(const std::string& imageName)
{
    UniqueHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = ::Process32First(snapshot.get(), &entry); more; more = ::Process32Next(snapshot.get(), &entry)) {
        if (::lstrcmpiA(entry.szExeFile, imageName.c_str()) != 0)
            continue;
        UniqueHandle process(::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, entry.th32ProcessID));
        if (process && ::TerminateProcess(process.get(), 1))
            ::WaitForSingleObject(process.get(), 5000);
    }
}

std::string HexOf(const std::string& bytes)
{
    static const char digits[] = "0123456789abcdef";
    std::string text;
    for (unsigned char c : bytes) {
        text += digits[c >> 4];
        text += digits[c & 0xF];
    }
    return text;
}
