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

bool IsVisibleWindowOf(const RunningProgram& program, HWND window)
{
    DWORD processId = 0;
    ::GetWindowThreadProcessId(window, &processId);
    return processId == program.processId && ::IsWindowVisible(window);
}

namespace {

// The dialog class of message boxes.
const char kMessageBoxClass[] = "#32770";

// `title` and `className` null: any visible window of the process.
HWND WaitForMatch(const RunningProgram& program, const std::string* title, const char* className, DWORD ms)
{
    const auto matches = [&](HWND window) {
        char text[512] = {};
        ::GetWindowTextA(window, text, sizeof text);
        char windowClass[64] = {};
        ::GetClassNameA(window, windowClass, sizeof windowClass);
        return (title == nullptr || *title == text) && (className == nullptr || std::string(className) == windowClass);
    };
    return WaitForAccepted(program, matches, ms, 100);
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
