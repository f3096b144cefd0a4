#include "tests/support/program_runner.h"

#include <vector>

#include "tests/support/wait_until.h"

std::string TestFolderPath(const std::string& fileName)
{
    return "C:\\pellis-test\\" + fileName;
}

RunningProgram StartProgram(const std::string& exe, const std::string& tail, const std::string& workingFolder)
{
    std::string commandLine = "\"" + exe + "\" " + tail;
    std::vector<char> buffer(commandLine.begin(), commandLine.end());
    buffer.push_back('\0');
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    RunningProgram program;
    if (::CreateProcessA(exe.c_str(), buffer.data(), nullptr, nullptr, FALSE, 0, nullptr,
                         workingFolder.empty() ? nullptr : workingFolder.c_str(), &startup, &info)) {
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
    const std::string* title;  // null: any visible window
    HWND found;
    const char* className = nullptr;
};

BOOL CALLBACK MatchWindow(HWND hwnd, LPARAM param)
{
    auto* search = reinterpret_cast<WindowSearch*>(param);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(hwnd, &pid);
    if (pid != search->processId || !::IsWindowVisible(hwnd))
        return TRUE;
    char title[512] = {};
    ::GetWindowTextA(hwnd, title, sizeof title);
    char className[64] = {};
    ::GetClassNameA(hwnd, className, sizeof className);
    if ((search->title == nullptr || *search->title == title) &&
        (search->className == nullptr || std::string(search->className) == className)) {
        search->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

}  // namespace


namespace {

HWND WaitForMatch(const RunningProgram& program, const std::string* title, const char* className, DWORD ms)
{
    WindowSearch search{program.processId, title, nullptr, className};
    WaitUntil(
        [&] {
            ::EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
            return search.found != nullptr;
        },
        ms, 100);
    return search.found;
}

// The dialog class of message boxes.
const char kMessageBoxClass[] = "#32770";
struct AcceptedSearch {
    DWORD processId;
    bool (*accept)(HWND);
    HWND found;
};

BOOL CALLBACK MatchAccepted(HWND window, LPARAM parameter)
{
    auto* search = reinterpret_cast<AcceptedSearch*>(parameter);
    DWORD processId = 0;
    ::GetWindowThreadProcessId(window, &processId);
    if (processId == search->processId && ::IsWindowVisible(window) && search->accept(window)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

HWND WaitForMessageBox(const RunningProgram& program, const std::string& caption, DWORD ms)
{
    return WaitForMatch(program, &caption, kMessageBoxClass, ms);
}

std::string MessageBoxText(HWND box)
{
    return ItemText(box, kMessageBoxTextId);
}

HWND WaitForWindow(const RunningProgram& program, const std::string& title, DWORD ms)
{
    return WaitForMatch(program, &title, nullptr, ms);
}

DWORD WaitForExitWithoutWindows(const RunningProgram& program, DWORD ms, bool* sawWindow)
{
    *sawWindow = false;
    DWORD code = STILL_ACTIVE;
    // The wait for the exit paces the looks at the windows.
    WaitUntil(
        [&] {
            code = WaitForExit(program, 100);
            if (WaitForMatch(program, nullptr, nullptr, 0) != nullptr)
                *sawWindow = true;
            return code != STILL_ACTIVE;
        },
        ms, 0);
    return code;
}

HWND WaitForAccepted(const RunningProgram& program, bool (*accept)(HWND), DWORD ms)
{
    AcceptedSearch search{program.processId, accept, nullptr};
    WaitUntil(
        [&] {
            ::EnumWindows(MatchAccepted, reinterpret_cast<LPARAM>(&search));
            return search.found != nullptr;
        },
        ms);
    return search.found;
}

std::string ItemText(HWND dialog, int id)
{
    char text[1024] = {};
    ::GetDlgItemTextA(dialog, id, text, sizeof text);
    return text;
}

bool WaitForItemText(HWND dialog, int id, const std::string& text, DWORD ms)
{
    return WaitUntil([&] { return ItemText(dialog, id) == text; }, ms);
}

void Click(HWND dialog, int id)
{
    ::PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(dialog, id)));
}
