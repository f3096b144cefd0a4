#include "engine/assistant_control.h"

#include <windows.h>
#include <shellapi.h>
#include <shlwapi.h>

#include <cstdio>
#include <string>

#include "engine/config.h"
#include "engine/stop_argument.h"
#include "engine/update_context.h"
#include "system/folder_tree.h"
#include "system/handles.h"
#include "system/process_utils.h"

namespace {

const char kCommonPopProgram[] = "LumaroPop.exe";
const char kEditionPopFormat[] = "LumaroPop_%x.exe";
// A stopping start normally ends at once; one that hangs must not hold the
// update for ever, and after the wait its process is terminated by name anyway.
constexpr DWORD kStoppingStartLimitMs = 60000;
constexpr DWORD kPauseAfterStopMs = 2000;
constexpr DWORD kPauseBetweenStartsMs = 500;

std::string EditionPopProgram()
{
    char name[32];
    std::snprintf(name, sizeof name, kEditionPopFormat, editionInfo.bankId);
    return name;
}

// Starts `name` of the install folder with " -t", hidden, and waits for it to end.
void StopProgram(const std::string& installPath, const std::string& name)
{
    const std::string path = installPath + "\\" + name;
    if (!::PathFileExistsA(path.c_str()))
        return;
    SHELLEXECUTEINFOA launch{};
    launch.cbSize = sizeof launch;
    launch.fMask = SEE_MASK_NOCLOSEPROCESS;
    launch.lpFile = path.c_str();
    const std::string stopping = std::string(" ") + kStopArgument;
    launch.lpParameters = stopping.c_str();
    launch.nShow = SW_HIDE;
    if (!::ShellExecuteExA(&launch))
        return;
    UniqueHandle process(launch.hProcess);
    if (process)
        ::WaitForSingleObject(process.get(), kStoppingStartLimitMs);
}

void StartProgram(const std::string& path)
{
    if (!::PathFileExistsA(path.c_str()))
        return;
    ::ShellExecuteA(nullptr, nullptr, path.c_str(), kStopArgument, nullptr, SW_SHOW);
    ::Sleep(kPauseBetweenStartsMs);
    ::ShellExecuteA(nullptr, nullptr, path.c_str(), nullptr, nullptr, SW_SHOW);
}

}  // namespace

int StopAssistant(const CUpdateContext& context)
{
    const std::string staging = context.stagingPath + "\\";
    if (!::PathIsDirectoryA(staging.c_str()) && !CreateFolderTree(staging))
        return 0;

    StopProgram(context.installPath, installInfo.webUiFileName);
    KillProcessByName(installInfo.webUiFileName);
    const std::string editionPop = EditionPopProgram();
    StopProgram(context.installPath, editionPop);
    KillProcessByName(editionPop);

    ::Sleep(kPauseAfterStopMs);
    return 1;
}

void StartAssistant()
{
    StartProgram(installInfo.installPath + "\\" + kCommonPopProgram);
    StartProgram(installInfo.installPath + "\\" + installInfo.webUiFileName);
}
