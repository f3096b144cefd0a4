#include "tests/e2e/update_road.h"

#include <algorithm>
#include <cstdlib>

#include "res/resource.h"
#include "system/handles.h"
#include "tests/support/server_log.h"
#include "tests/support/test_files.h"
#include "tests/support/wait_until.h"

std::string Release(const std::string& relative)
{
    const char* releases = std::getenv("PELLIS_UPDATE_RELEASES");
    return WindowsPathOf(releases ? releases : "/nonexistent") + "\\" + relative;
}

std::string Installed(const std::string& relative)
{
    return kInstallFolder + std::string("\\") + relative;
}

std::string ReadOr(const std::string& path, const char* missing)
{
    std::string bytes;
    return ReadFileBytes(path, &bytes) ? bytes : missing;
}

std::string ReadText(const std::string& keyPath, REGSAM view, const std::string& name)
{
    HKEY opened = nullptr;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, KEY_READ | view, &opened) != ERROR_SUCCESS)
        return kNoValue;
    RegKey key(opened);
    char buffer[512] = {};
    DWORD size = sizeof buffer - 1;
    return ::RegQueryValueExA(key.get(), name.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size) ==
                   ERROR_SUCCESS
               ? buffer
               : kNoValue;
}

std::string InstalledVersion()
{
    return ReadText(kProductKey, KEY_WOW64_32KEY, "Version");
}

bool IsProgressDialog(HWND window)
{
    return ::GetDlgItem(window, IDC_STATUS_TEXT) != nullptr;
}

bool IsUpdatePrompt(HWND window)
{
    return ::GetDlgItem(window, IDOK) != nullptr && ::GetDlgItem(window, IDC_STATUS_TEXT) == nullptr &&
           ::GetDlgItem(window, kMessageBoxTextId) == nullptr;
}

bool IsCancelQuestion(HWND window)
{
    return ItemText(window, kMessageBoxTextId) == kCancelQuestion;
}

bool CancelAfterTheWorkerGaveUp(const RunningProgram& program, HWND dialog, Shown* shown)
{
    DWORD code = STILL_ACTIVE;
    // The waits for the exit pace both loops.
    WaitUntil(
        [&] {
            *shown = {ItemText(dialog, IDC_STATUS_TEXT), ItemText(dialog, IDCANCEL)};
            Click(dialog, IDCANCEL);
            // Until the program ends, or asks while the worker still waits: then
            // the question is declined and Cancel clicked again.
            WaitUntil(
                [&] {
                    code = WaitForExit(program, 50);
                    if (code != STILL_ACTIVE)
                        return true;
                    HWND question = WaitForAccepted(program, IsCancelQuestion, 0);
                    if (question == nullptr)
                        return false;
                    Click(question, IDNO);
                    ::Sleep(500);
                    return true;
                },
                5000, 0);
            return code != STILL_ACTIVE;
        },
        kWindowLimitMs, 0);
    return code == 0;
}

std::vector<std::string> DownloadRequests()
{
    std::vector<std::string> paths;
    for (const LoggedRequest& request : ReadServerLog()) {
        if (request.method != "GET" || request.path.compare(0, sizeof kDownloadPath - 1, kDownloadPath) != 0)
            continue;
        std::string path = request.path.substr(sizeof kDownloadPath - 1);
        for (size_t at = path.find("%5C"); at != std::string::npos; at = path.find("%5C"))
            path.replace(at, 3, "/");
        std::replace(path.begin(), path.end(), '\\', '/');
        paths.push_back(path);
    }
    return paths;
}
