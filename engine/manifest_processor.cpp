#include "engine/manifest_processor.h"

#include <windows.h>
#include <commctrl.h>
#include <shlwapi.h>

#include <map>
#include <optional>
#include <utility>
#include <vector>

#include "engine/config.h"
#include "engine/content_digest.h"
#include "engine/fetch_steps.h"
#include "engine/manifest.h"
#include "engine/manifest_names.h"
#include "engine/part_file.h"
#include "engine/progress_view.h"
#include "engine/run_mode.h"
#include "res/resource.h"
#include "system/ansi_text.h"
#include "system/file_name_order.h"
#include "system/link_checks.h"
#include "system/relative_path.h"
#include "system/support_log.h"

namespace {

const char kOldDownloaderName[] = "\\pellis_old.exe";

// An entry in the ANSI code page, as every path, URL and comparison uses it.
struct Entry {
    std::string path;
    std::string fileName;
    FileDigests digests;
    unsigned long long size;  // listed, 0 when not
    bool acceptable;          // stays inside the install folder and lists a digest
};

Entry ConvertEntry(const ListedFile& listed)
{
    // Judged on the UTF-8 text: in GBK a trailing byte may be a "\".
    const bool acceptable = IsSafeManifestEntry(listed.path, listed.fileName) && !listed.digest.empty();
    return {Utf8ToAnsi(listed.path), Utf8ToAnsi(listed.fileName), {listed.digest, listed.sha256}, listed.size,
            acceptable};
}

// "Path\FileName", or FileName alone at the top level.
std::string RelativeEntry(const Entry& entry)
{
    return entry.path.empty() ? entry.fileName : entry.path + "\\" + entry.fileName;
}

const std::string& InstalledManifest(const CUpdateContext& context, ManifestKind which)
{
    return which == kCommonManifest ? context.installedCommonManifest : context.installedEditionManifest;
}

const std::vector<ListedFile>& RunEntries(const CUpdateContext& context, ManifestKind which)
{
    return which == kCommonManifest ? context.commonEntries : context.editionEntries;
}

ManifestKind OtherKind(ManifestKind which)
{
    return which == kCommonManifest ? kEditionManifest : kCommonManifest;
}

// What the installation lists: the previous manifest while the run's waits
// beside the staged files; the run's own once it went over the installed one.
std::vector<ListedFile> InstalledEntries(const CUpdateContext& context, ManifestKind which)
{
    return context.manifestsStaged ? ReadManifestFile(InstalledManifest(context, which)) : RunEntries(context, which);
}

// The installed manifest, read once per pass: the first entry of a folder and
// name decides whether it lists a file with the same digests.
class CInstalledManifest {
public:
    explicit CInstalledManifest(const std::vector<ListedFile>& installed)
    {
        for (const ListedFile& listed : installed) {
            const Entry entry = ConvertEntry(listed);
            digests_.emplace(std::make_pair(entry.path, entry.fileName), entry.digests);
        }
    }

    int ManifestHasSameEntry(const std::string& path, const std::string& fileName, const FileDigests& digests) const
    {
        const auto found = digests_.find(std::make_pair(path, fileName));
        return found != digests_.end() && SameDigests(found->second, digests) ? 1 : 0;
    }

private:
    std::map<std::pair<std::string, std::string>, FileDigests> digests_;
};

// Acceptable entries by relative entry; an entry already known stays as it was first listed.
void AddEntries(const std::vector<ListedFile>& listed, std::map<std::string, Entry>* entries)
{
    for (const ListedFile& file : listed) {
        const Entry entry = ConvertEntry(file);
        if (entry.acceptable)
            entries->emplace(RelativeEntry(entry), entry);
    }
}

void ShowNothingToFetch(const CUpdateContext& context)
{
    for (const HWND bar : {::GetDlgItem(context.dialog, IDC_FILE_BAR), context.overallBar}) {
        ::SendMessageA(bar, PBM_SETRANGE32, 0, 1);
        ::SendMessageA(bar, PBM_SETPOS, 1, 0);
    }
    SetDialogItemText(context.dialog, IDC_STATUS_TEXT, "无需更新");
    SetDialogItemText(context.dialog, IDC_FILE_PERCENT, "100%");
    SetDialogItemText(context.dialog, IDC_OVERALL_PERCENT, "100%");
}

// First installation: every entry straight into the install folder.
int FetchEveryEntry(CUpdateContext& context, const std::vector<ListedFile>& listed)
{
    // The first listing of a file decides its digests, also for a name that
    // differs only in case and across the two passes: a later listing finds
    // the file in place instead of fetching it again against other digests.
    std::map<std::string, Entry, FileNameLess> firstListings;
    std::vector<FetchStep> steps;
    for (const ListedFile& file : listed) {
        Entry entry = ConvertEntry(file);
        if (entry.acceptable) {
            const auto fetched = context.fetchedFiles.find(RelativeEntry(entry));
            const Entry& first = firstListings.emplace(RelativeEntry(entry), entry).first->second;
            entry.digests = fetched != context.fetchedFiles.end() ? fetched->second : first.digests;
            entry.size = first.size;
        }
        const std::string folder = entry.path.empty() ? context.installPath : context.installPath + "\\" + entry.path;
        const std::string target = folder + "\\" + entry.fileName;
        // A ".part" beside a listed file is what a cancelled or killed run
        // left in the install folder: a download removes its own, but only
        // once it gets that far. DeleteFile takes the name itself, never what
        // a link there leads to; folders on the way must be plain.
        if (entry.acceptable && IsPlainFolderChain(context.installPath, entry.path))
            ::DeleteFileA(PartPathOf(target).c_str());
        FetchStep step{entry.fileName, RelativeEntry(entry),
                       context.downloadUrl + "/" + entry.path + "/" + entry.fileName, target, entry.digests,
                       entry.size, nullptr};
        step.prepare = [&context, entry, folder] {
            if (!entry.acceptable) {
                LogEvent("manifest entry refused (leaves the install folder or lists no digest): %s",
                         RelativeEntry(entry).c_str());
                return false;
            }
            // Only the entry's own folder: its parents are the fixed install tree.
            if (!entry.path.empty() && !::PathIsDirectoryA(folder.c_str()))
                ::CreateDirectoryA(folder.c_str(), nullptr);
            // Never written through a junction or symbolic link in the install tree.
            if (!IsPlainFolderChain(context.installPath, entry.path)) {
                LogEvent("download refused: a folder on the way to %s is a junction or link",
                         RelativeEntry(entry).c_str());
                return false;
            }
            if (entry.path.empty() && SameFileName(entry.fileName, installInfo.downloaderFileName))
                MoveAsideDownloader(context.installPath);
            return true;
        };
        steps.push_back(std::move(step));
    }
    const int fetched = FetchSteps(context, steps, {context.currentStep, context.totalSteps}, true);
    context.currentStep += fetched;
    return fetched == static_cast<int>(steps.size()) ? 1 : 0;
}

// Update or repair: collect what differs from the installed files, then fetch
// it into the staging folder.
int FetchChangedEntries(CUpdateContext& context, ManifestKind which, const std::vector<ListedFile>& listed)
{
    const CInstalledManifest installed(InstalledEntries(context, which));
    std::map<std::string, Entry> acceptedEntries;
    std::optional<std::string> firstRefused;
    for (const ListedFile& file : listed) {
        const Entry entry = ConvertEntry(file);
        const std::string relative = RelativeEntry(entry);
        if (!entry.acceptable) {
            LogEvent("manifest entry refused (leaves the install folder or lists no digest): %s", relative.c_str());
            ShowDownloadFailure(context, relative);
            if (!firstRefused)
                firstRefused = relative;
            continue;
        }
        acceptedEntries.emplace(relative, entry);
        const std::string installedFile = context.installPath + "\\" + entry.path + "\\" + entry.fileName;
        const bool unchanged = ::PathFileExistsA(installedFile.c_str()) &&
                               installed.ManifestHasSameEntry(entry.path, entry.fileName, entry.digests) &&
                               FileDiffers(installedFile, entry.digests) == 0;
        if (!unchanged)
            context.changedFiles.push_back(relative);
    }
    // Entries carried over from the other pass are verified against the
    // digests their own manifest lists.
    AddEntries(RunEntries(context, OtherKind(which)), &acceptedEntries);

    const int count = static_cast<int>(context.changedFiles.size());
    if (count == 0) {
        if (firstRefused)
            return 0;
        ShowNothingToFetch(context);
        return 1;
    }
    // PBM_SETRANGE carries the upper bound in the high word.
    ::SendMessageA(context.overallBar, PBM_SETRANGE, 0, MAKELPARAM(0, count));
    ::SendMessageA(context.overallBar, PBM_SETPOS, 0, 0);
    std::vector<FetchStep> steps;
    for (const std::string& relative : context.changedFiles) {
        const auto listed = acceptedEntries.find(relative);
        const bool known = listed != acceptedEntries.end();
        const size_t lastSeparator = relative.rfind('\\');
        const std::string stagedFolder =
            std::string(kStagingFolderName) +
            (lastSeparator == std::string::npos ? std::string() : "\\" + relative.substr(0, lastSeparator));
        FetchStep step{relative, relative, context.downloadUrl + "/" + relative,
                       context.stagingPath + "\\" + relative, known ? listed->second.digests : FileDigests(),
                       known ? listed->second.size : 0, nullptr};
        step.prepare = [&context, known, stagedFolder] {
            return known && IsPlainFolderChain(context.installPath, stagedFolder);
        };
        steps.push_back(std::move(step));
    }
    const bool fetchedAll = FetchSteps(context, steps, {1, count}, false) == count;
    // The pass ends with its first failure's texts, and a refused entry
    // failed before any download.
    if (firstRefused)
        ShowDownloadFailure(context, *firstRefused);
    return fetchedAll && !firstRefused ? 1 : 0;
}

}  // namespace

int ProcessManifest(CUpdateContext& context, ManifestKind which)
{
    if (context.runMode == kRunModeInstall)
        return FetchEveryEntry(context, RunEntries(context, which));
    return FetchChangedEntries(context, which, RunEntries(context, which));
}

int CountManifestEntries(const CUpdateContext& context, ManifestKind which)
{
    return static_cast<int>(InstalledEntries(context, which).size());
}

void MoveAsideDownloader(const std::string& folder)
{
    const std::string old = folder + kOldDownloaderName;
    const std::string current = folder + "\\" + installInfo.downloaderFileName;
    if (::PathFileExistsA(old.c_str()))
        ::DeleteFileA(old.c_str());
    if (::PathFileExistsA(current.c_str()))
        ::MoveFileA(current.c_str(), old.c_str());
}

int FileDigest(const std::string& path, std::string* digest)
{
    return ::PathFileExistsA(path.c_str()) && DigestOfFile(path, digest) ? 1 : 0;
}

int FileDiffers(const std::string& path, const FileDigests& listed)
{
    FileDigests actual;
    return ::PathFileExistsA(path.c_str()) && DigestsOfFile(path, &actual) && MatchesListedDigests(actual, listed) ? 0
                                                                                                                   : 1;
}
