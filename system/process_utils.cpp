#include "system/process_utils.h"

#include <tlhelp32.h>

#include <cstring>
#include <vector>

#include "system/handles.h"

namespace {

const char kBrowserImage[] = "iexplore.exe";

// The system's lower-casing knows the ANSI code page, so the trail bytes of
// double-byte characters are left alone.
std::string ToLower(std::string text)
{
    if (!text.empty())
        ::CharLowerBuffA(&text[0], static_cast<DWORD>(text.size()));
    return text;
}

// Ids of the processes with that image name (any letter case), in the order
// of the process list; `firstOnly` stops at the first.
std::vector<DWORD> FindByName(const std::string& name, bool firstOnly)
{
    std::vector<DWORD> found;
    UniqueHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot)
        return found;
    const std::string wanted = ToLower(name);
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = ::Process32First(snapshot.get(), &entry); more; more = ::Process32Next(snapshot.get(), &entry)) {
        const std::string image(entry.szExeFile, strnlen(entry.szExeFile, sizeof entry.szExeFile));
        if (ToLower(image) != wanted)
            continue;
        found.push_back(entry.th32ProcessID);
        if (firstOnly)
            break;
    }
    return found;
}

// Id of the first process with that image name, or 0.
DWORD FindFirstByName(const std::string& name)
{
    const std::vector<DWORD> found = FindByName(name, true);
    return found.empty() ? 0 : found.front();
}

void Terminate(DWORD processId)
{
    // A process that is gone or out of reach is simply left alone.
    UniqueHandle process(::OpenProcess(PROCESS_TERMINATE, FALSE, processId));
    if (process)
        ::TerminateProcess(process.get(), kTerminatedExitCode);
}

}  // namespace

bool FindProcess(DWORD* processId)
{
    const DWORD found = FindFirstByName(kBrowserImage);
    if (found == 0)
        return false;
    *processId = found;
    return true;
}

bool KillProcess(DWORD processId)
{
    if (processId == 0)
        processId = FindFirstByName(kBrowserImage);
    if (processId != 0)
        Terminate(processId);
    return true;
}

bool KillProcessByName(const std::string& name)
{
    for (const DWORD found : FindByName(name, false))
        Terminate(found);
    return true;
}
