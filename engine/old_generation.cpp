#include "engine/old_generation.h"

#include <windows.h>
#include <shellapi.h>
#include <shlwapi.h>

#include <string>

#include "engine/config.h"
#include "engine/progress_view.h"
#include "res/resource.h"
#include "system/handles.h"

namespace {

// Names in the process's current working folder, where a browser's download
// folder usually holds the running downloader.
const char kTemporaryName[] = "Tiroupdate.exe";
const char kKillScript[] = "killprocess.vbs";
constexpr DWORD kScriptSettleMs = 500;

void RenameWithOneRetry(const char* from, const char* to)
{
    if (!::MoveFileA(from, to))
        ::MoveFileA(from, to);
}

std::string RunningFileName()
{
    char path[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, path, sizeof path);
    const std::string full(path);
    return full.substr(full.rfind('\\') + 1);
}

void EmptyKillScript()
{
    if (!::PathFileExistsA(kKillScript))
        return;
    UniqueHandle script(::CreateFileA(kKillScript, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                      nullptr));
    script.reset();
    ::Sleep(kScriptSettleMs);
}

}  // namespace

bool RemoveOldGeneration(HWND dialog)
{
    if (editionInfo.oldProductCode.empty())
        return true;
    SetDialogItemText(dialog, IDC_STATUS_TEXT, "卸载Ostrel老版助手");

    const std::string parameters = "/X" + editionInfo.oldProductCode + " /quiet";
    SHELLEXECUTEINFOA removal{};
    removal.cbSize = sizeof removal;
    removal.fMask = SEE_MASK_NOCLOSEPROCESS;
    removal.lpFile = "msiexec.exe";
    removal.lpParameters = parameters.c_str();
    removal.nShow = SW_HIDE;

    if (::PathFileExistsA(kTemporaryName))
        ::DeleteFileA(kTemporaryName);
    EmptyKillScript();
    const std::string running = RunningFileName();
    if (::PathFileExistsA(running.c_str()))
        RenameWithOneRetry(running.c_str(), kTemporaryName);

    if (::ShellExecuteExA(&removal)) {
        UniqueHandle installer(removal.hProcess);
        ::WaitForSingleObject(installer.get(), INFINITE);
    }

    if (::PathFileExistsA(kTemporaryName))
        RenameWithOneRetry(kTemporaryName, installInfo.downloaderFileName.c_str());
    return true;
}
