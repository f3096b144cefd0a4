// Stands in for the assistant's programs (WebUI_811.exe, LumaroPop_811.exe,
// LumaroPop.exe, uninst_811.exe), built once per name, and, copied over the
// system's msiexec.exe, for the platform's installer program. Each records its start;
// with "-t" it ends at once (unless a test holds it), otherwise it runs until
// it is terminated. Built with PELLIS_SERVES_PIPE, it also serves the
// assistant's pipe and records every message that arrives.
#include <windows.h>

#include <string>

#include "system/handles.h"
#include "tests/stand_ins/assistant_stand_in.h"

namespace {

const char kTerminateTail[] = "-t";
// Bounded, so a test that forgets to release the hold cannot hang the updater.
constexpr DWORD kHoldLimitMs = 30000;

// Other stand-ins and the tests read and write these files at the same time;
// each line is one appending write. Wine appends by finding the end and then
// writing there, so two programs appending at once can overwrite each other's
// line: the writers take turns under a mutex of the prefix.
void AppendLine(const char* path, const std::string& line)
{
    UniqueHandle turn(::CreateMutexA(nullptr, FALSE, "pellis_stand_in_records"));
    if (turn)
        ::WaitForSingleObject(turn.get(), INFINITE);
    UniqueHandle file(::CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    const std::string text = line + "\r\n";
    DWORD written = 0;
    if (file)
        ::WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    file.reset();
    if (turn)
        ::ReleaseMutex(turn.get());
}

std::string OwnFileName()
{
    char path[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, path, sizeof path);
    const std::string full = path;
    return full.substr(full.find_last_of('\\') + 1);
}

// Set when the starting program created the process, so it orders the starts
// even when a later process gets to write first.
std::string CreationStamp()
{
    FILETIME created{}, exited{}, kernel{}, user{};
    ::GetProcessTimes(::GetCurrentProcess(), &created, &exited, &kernel, &user);
    char stamp[24];
    wsprintfA(stamp, "%08lx%08lx", created.dwHighDateTime, created.dwLowDateTime);
    return stamp;
}

void HoldWhileTestAsks()
{
    UniqueHandle hold(::OpenEventA(SYNCHRONIZE, FALSE, kHoldStoppingEvent));
    if (hold)
        ::WaitForSingleObject(hold.get(), kHoldLimitMs);
}

#ifdef PELLIS_SERVES_PIPE
std::string Hex(const std::string& bytes)
{
    static const char digits[] = "0123456789abcdef";
    std::string text;
    for (unsigned char c : bytes) {
        text += digits[c >> 4];
        text += digits[c & 0xF];
    }
    return text;
}

// Reads one client's bytes until it closes its end.
std::string ReadMessage(HANDLE pipe)
{
    std::string message;
    char buffer[512];
    DWORD read = 0;
    while (::ReadFile(pipe, buffer, sizeof buffer, &read, nullptr) && read > 0)
        message.append(buffer, read);
    return message;
}

[[noreturn]] void ServePipe(const std::string& startLine)
{
    UniqueHandle pipe(::CreateNamedPipeA(kAssistantPipe, PIPE_ACCESS_INBOUND, PIPE_TYPE_BYTE | PIPE_WAIT,
                                         PIPE_UNLIMITED_INSTANCES, 0, 4096, 0, nullptr));
    // Recorded once the pipe exists, so a test that sees the line can send at once.
    AppendLine(kAssistantStartsLog, startLine);
    if (!pipe)
        ::Sleep(INFINITE);
    for (;;) {
        const bool connected = ::ConnectNamedPipe(pipe.get(), nullptr) || ::GetLastError() == ERROR_PIPE_CONNECTED;
        if (connected)
            AppendLine(kAssistantPipeLog, Hex(ReadMessage(pipe.get())));
        ::DisconnectNamedPipe(pipe.get());
    }
}
#endif

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR tail, int)
{
    const std::string arguments = tail;
    const std::string startLine = CreationStamp() + " " + OwnFileName() + (arguments.empty() ? "" : " " + arguments);
    if (arguments == kTerminateTail) {
        AppendLine(kAssistantStartsLog, startLine);
        HoldWhileTestAsks();
        return 0;
    }
#ifdef PELLIS_SERVES_PIPE
    ServePipe(startLine);
#else
    AppendLine(kAssistantStartsLog, startLine);
    ::Sleep(INFINITE);
    return 0;
#endif
}
