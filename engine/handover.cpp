#include "engine/handover.h"

#include <windows.h>
#include <shellapi.h>
#include <shlwapi.h>

#include "engine/config.h"
#include "engine/manifest_processor.h"
#include "engine/run_mode.h"
#include "engine/stop_argument.h"
#include "engine/update_context.h"
#include "protocol/version_answer.h"
#include "system/file_name_order.h"
#include "system/folder_listing.h"
#include "system/handles.h"
#include "system/link_checks.h"
#include "system/support_log.h"

namespace {

// Fixed by the assistant's side, whatever the edition.
const char kAssistantPipe[] = "\\\\.\\pipe\\KORVA_PopKORVA811";
const char kMessagePrefix[] = "KORVA_Pop";
const char kMessageSeparator[] = "||";
const char kUpdateCommand[] = "UpdatePopCmd";
// The assistant gets this long to react to the notice before files are fetched.
constexpr DWORD kNoticePauseMs = 3000;
const char kFileInUseText[] = "更新失败，助手文件被占用，请关闭占用重新更新!";

[[noreturn]] void AbandonOnFileInUse()
{
    // No owner: the progress dialog belongs to another thread.
    LogEvent("update abandoned: an assistant file stays in use");
    ::MessageBoxA(nullptr, kFileInUseText, editionInfo.productName.c_str(), MB_ICONEXCLAMATION);
    EndRun("after the file-in-use message");
}

}  // namespace

void NotifyRunningAssistant(CUpdateContext& context)
{
    if (context.runMode != kRunModeUpdate || context.updateMode != kForceUpdate)
        return;
    // The dialog shows itself again when it places itself after this.
    ::ShowWindow(context.dialog, SW_HIDE);
    const std::string webUi = context.installPath + "\\" + installInfo.webUiFileName;
    if (::PathFileExistsA(webUi.c_str()))
        ::ShellExecuteA(nullptr, nullptr, webUi.c_str(), kStopArgument, nullptr, SW_SHOW);
    SendAssistantCommand(kUpdateCommand, "");
    ::Sleep(kNoticePauseMs);
}

int SendAssistantCommand(const std::string& command, const std::string& argument)
{
    // Whoever serves the pipe may be any process of the session: it learns who
    // we are, but may not act as this elevated program.
    UniqueHandle pipe(::CreateFileA(kAssistantPipe, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | SECURITY_SQOS_PRESENT | SECURITY_IDENTIFICATION,
                                    nullptr));
    if (!pipe)
        return 0;
    const std::string message = kMessagePrefix + command + kMessageSeparator + argument;
    DWORD written = 0;
    if (!::WriteFile(pipe.get(), message.data(), static_cast<DWORD>(message.size()), &written, nullptr))
        return 0;
    return written == message.size() ? 1 : 0;
}

int CopyStagedFiles(CUpdateContext& context)
{
    if (context.runMode == kRunModeInstall)
        return 1;
    return CopyTree(context, context.stagingPath);
}

int CopyTree(CUpdateContext& context, const std::string& folder)
{
    FolderListing listing(folder);
    if (!listing)
        return 0;
    // The part of `folder` below the staging folder, empty for the staging folder itself.
    const std::string relative =
        folder.size() > context.stagingPath.size() ? folder.substr(context.stagingPath.size() + 1) : std::string();
    // A staged folder the installation lacks is made there, inheriting the
    // install folder's protection; the folders above it passed the check below
    // in the call for the parent, so this never creates through a link.
    if (!relative.empty())
        ::CreateDirectoryA((context.installPath + "\\" + relative).c_str(), nullptr);
    // Into real folders of the installation only: a folder there that is a
    // junction or symbolic link would lead the copy anywhere.
    if (!IsPlainFolderChain(context.installPath, relative)) {
        LogEvent("copy refused: a folder on the way to %s\\%s is a junction or link", context.installPath.c_str(),
                 relative.c_str());
        AbandonOnFileInUse();
    }
    const bool copied = listing.ForEach([&](const FolderItem& item) {
        const std::string& name = item.name;
        const std::string source = folder + "\\" + name;
        // Nothing staged through a link is copied.
        if (item.link)
            return true;
        if (item.folder)
            return CopyTree(context, source) != 0;
        const std::string target = context.installPath + "\\" + (relative.empty() ? "" : relative + "\\") + name;
        // A running downloader cannot be overwritten, but it can be renamed;
        // Windows takes its name in any letter case.
        if (relative.empty() && SameFileName(name, installInfo.downloaderFileName))
            MoveAsideDownloader(context.installPath);
        // A target that is a link or shares its data with another name is
        // replaced by a new file, never written into.
        const LinkFacts existing = ReadLinkFacts(target);
        if (existing.exists && !IsPlainFile(existing) && !::DeleteFileA(target.c_str()))
            AbandonOnFileInUse();
        if (!::CopyFileA(source.c_str(), target.c_str(), FALSE))
            AbandonOnFileInUse();
        return true;
    });
    return copied ? 1 : 0;
}
