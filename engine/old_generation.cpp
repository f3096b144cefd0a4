#include "engine/old_generation.h"

#include <windows.h>
#include <shellapi.h>
#include <shlwapi.h>

#include <string>

#include "engine/config.h"
#include "engine/progress_view.h"
#include "res/resource.h"
#include "system/handles.h"
#include "system/link_checks.h"
#include "system/system_folder.h"

namespace {

// Names in the process's current working folder, where a browser's download
// folder usually holds the running downloader.
const char kTemporaryName[] = "Tiroupdate.exe";
const char kKillScript[] = "killprocess.vbs";
const char kInstaller[] = "msiexec.exe";
constexpr DWORD kScriptSettleMs = 500;

void RenameWithOneRetry(const std::string& from, const std::string& to)
{
    if (!::MoveFileA(from.c_str(), to.c_str()))
        ::MoveFileA(from.c_str(), to.c_str());
}

std::string RunningProgramPath()
{
    char path[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, path, sizeof path);
    return path;
}

std::string FolderOf(const std::string& path)
{
    return path.substr(0, path.rfind('\\'));
}

// The old generation's helper names its files relative to the working folder,
// a browser's download folder; this program acts on them only when that is the
// folder it runs from, never in some other folder a user pointed it at.
bool WorkingInOwnFolder(const std::string& ownFolder)
{
    char working[MAX_PATH] = {};
    const DWORD length = ::GetCurrentDirectoryA(sizeof working, working);
    if (length == 0 || length >= sizeof working)
        return false;
    std::string folder(working, length);
    if (folder.size() > 3 && folder.back() == '\\')
        folder.pop_back();
    return ::lstrcmpiA(folder.c_str(), ownFolder.c_str()) == 0;
}

bool IsPlain(const std::string& path)
{
    return IsPlainFile(ReadLinkFacts(path));
}

// Truncated through a handle on the file itself: a link or second name there
// would have this elevated program empty some other file.
void EmptyKillScript(const std::string& path)
{
    UniqueHandle script = OpenPlainFile(path, GENERIC_WRITE);
    if (!script)
        return;
    ::SetFilePointer(script.get(), 0, nullptr, FILE_BEGIN);
    ::SetEndOfFile(script.get());
    script.reset();
    ::Sleep(kScriptSettleMs);
}

}  // namespace

InstallerLaunch OldGenerationRemoval(const std::string& productCode)
{
    InstallerLaunch launch;
    launch.program = SystemFolderPath(kInstaller);
    launch.parameters = "/X" + productCode + " /quiet";
    launch.folder = FolderOf(launch.program);
    return launch;
}

bool RemoveOldGeneration(HWND dialog)
{
    if (editionInfo.oldProductCode.empty())
        return true;
    SetDialogItemText(dialog, IDC_STATUS_TEXT, "卸载Ostrel老版助手");

    const InstallerLaunch launch = OldGenerationRemoval(editionInfo.oldProductCode);
    SHELLEXECUTEINFOA removal{};
    removal.cbSize = sizeof removal;
    removal.fMask = SEE_MASK_NOCLOSEPROCESS;
    removal.lpFile = launch.program.c_str();
    removal.lpParameters = launch.parameters.c_str();
    removal.lpDirectory = launch.folder.c_str();
    removal.nShow = SW_HIDE;

    const std::string running = RunningProgramPath();
    const std::string folder = FolderOf(running);
    const std::string temporary = folder + "\\" + kTemporaryName;
    const bool ownFolder = WorkingInOwnFolder(folder);
    if (ownFolder) {
        if (IsPlain(temporary))
            ::DeleteFileA(temporary.c_str());
        EmptyKillScript(folder + "\\" + kKillScript);
        if (IsPlain(running))
            RenameWithOneRetry(running, temporary);
    }

    if (!launch.program.empty() && ::ShellExecuteExA(&removal)) {
        UniqueHandle installer(removal.hProcess);
        ::WaitForSingleObject(installer.get(), INFINITE);
    }

    if (ownFolder && IsPlain(temporary))
        RenameWithOneRetry(temporary, folder + "\\" + installInfo.downloaderFileName);
    return true;
}
