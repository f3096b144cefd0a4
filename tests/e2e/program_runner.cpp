#include "tests/e2e/program_runner.h"

#include <vector>

std::string TestFolderPath(const std::string& fileName)
{
    return "C:\\pellis-test\\" + fileName;
}

RunningProgram StartProgram(const std::string& exe, const std::string& tail)
{
    std::string commandLine = "\"" + exe + "\" " + tail;
    std::vector<char> buffer(commandLine.begin(), commandLine.end());
    buffer.push_back('\0');
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    RunningProgram program;
    if (::CreateProcessA(exe.c_str(), buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                         &info)) {
        ::CloseHandle(info.hThread);
        program.process.reset(info.hProcess);
        program.processId = info.dwProcessId;
    }
    return program;
}

DWORD WaitForExit(const RunningProgram& program, DWORD ms)
{
    if (::WaitForSingleObject(program.process.get(), ms) != WAIT_OBJECT_0)
        return STILL_ACTIVE;
    DWORD code = STILL_ACTIVE;
    ::GetExitCodeProcess(program.process.get(), &code);
    return code;
}

namespace {

struct WindowSearch {
    DWORD processId;
    const std::string* title;
    HWND found;
};

BOOL CALLBACK MatchWindow(HWND hwnd, LPARAM param)
{
    auto* search = reinterpret_cast<WindowSearch*>(param);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(hwnd, &pid);
    char title[512];
    if (pid == search->processId && ::IsWindowVisible(hwnd) && ::GetWindowTextA(hwnd, title, sizeof title) > 0 &&
        *search->title == title) {
        search->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

HWND WaitForWindow(const RunningProgram& program, const std::string& title, DWORD ms)
{
    const DWORD start = ::GetTickCount();
    do {
        WindowSearch search{program.processId, &title, nullptr};
        ::EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
        if (search.found != nullptr)
            return search.found;
        ::Sleep(100);
    } while (::GetTickCount() - start < ms);
    return nullptr;
}
