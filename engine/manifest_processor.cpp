#include "engine/manifest_processor.h"

#include <windows.h>
#include <commctrl.h>
#include <shlwapi.h>

#include <map>
#include <utility>
#include <vector>

#include "engine/config.h"
#include "engine/content_digest.h"
#include "engine/file_download.h"
#include "engine/manifest.h"
#include "engine/manifest_names.h"
#include "engine/progress_view.h"
#include "engine/run_mode.h"
#include "res/resource.h"
#include "system/link_checks.h"
#include "system/relative_path.h"
#include "system/support_log.h"

namespace {

const char kOldDownloaderName[] = "\\pellis_old.exe";
constexpr int kCancelButton = IDCANCEL;

// An entry in the ANSI code page, as every path, URL and comparison uses it.
struct Entry {
    std::string path;
    std::string fileName;
    FileDigests digests;
    bool acceptable;  // stays inside the install folder and lists a digest
};

Entry ConvertEntry(const ListedFile& listed)
{
    // Judged on the UTF-8 text: in GBK a trailing byte may be a "\".
    const bool acceptable = IsSafeManifestEntry(listed.path, listed.fileName) && !listed.digest.empty();
    return {Utf8ToAnsi(listed.path), Utf8ToAnsi(listed.fileName), {listed.digest, listed.sha256}, acceptable};
}

bool SameDigests(const FileDigests& a, const FileDigests& b)
{
    return a.sha1 == b.sha1 && a.sha256 == b.sha256;
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

const std::string& StagedManifest(const CUpdateContext& context, ManifestKind which)
{
    return which == kCommonManifest ? context.stagedCommonManifest : context.stagedEditionManifest;
}

ManifestKind OtherKind(ManifestKind which)
{
    return which == kCommonManifest ? kEditionManifest : kCommonManifest;
}

// The installed manifest, read once per pass: the first entry of a folder and
// name decides whether it lists a file with the same digests.
class CInstalledManifest {
public:
    explicit CInstalledManifest(const std::string& manifestPath)
    {
        for (const ListedFile& listed : ReadManifestFile(manifestPath)) {
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

// Digests by relative entry; an entry already known keeps its first digests.
void AddDigests(const std::vector<ListedFile>& listed, std::map<std::string, FileDigests>* digests)
{
    for (const ListedFile& file : listed) {
        const Entry entry = ConvertEntry(file);
        if (entry.acceptable)
            digests->emplace(RelativeEntry(entry), entry.digests);
    }
}

void ShowDownloading(const CUpdateContext& context, const std::string& name, int step, int steps)
{
    SetDialogItemText(context.dialog, IDC_STATUS_TEXT, FormatText("正在下载 %s   %d/%d", name.c_str(), step, steps));
    SetDialogItemText(context.dialog, IDC_FILE_PERCENT, "0%");
}

void ShowFailure(const CUpdateContext& context, const std::string& name)
{
    SetDialogItemText(context.dialog, IDC_STATUS_TEXT, FormatText("下载%s 失败", name.c_str()));
    SetDialogItemText(context.dialog, kCancelButton, "下载失败");
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

void ShowOverallProgress(const CUpdateContext& context, int step, double percent)
{
    SetDialogItemText(context.dialog, IDC_OVERALL_PERCENT, PercentText(percent));
    ::SendMessageA(context.overallBar, PBM_SETPOS, static_cast<WPARAM>(step), 0);
}

// The size of a file still at `path`; false when none is there.
bool SizeOfFile(const std::string& path, ULONG* size)
{
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return false;
    *size = data.nFileSizeLow;
    return true;
}

// Fetches an entry to `target`, once per run: an entry this run already
// fetched and checked against the same digests, and that is still in place,
// crosses the network only once. Its file bar then shows what the finished
// transfer showed.
bool FetchOnce(CUpdateContext& context, const std::string& relative, const std::string& url,
               const std::string& target, const FileDigests& digests, CBindCallback* progress)
{
    const auto fetched = context.fetchedFiles.find(relative);
    ULONG size = 0;
    if (fetched != context.fetchedFiles.end() && SameDigests(fetched->second, digests) && SizeOfFile(target, &size)) {
        // An empty body reports no progress in a transfer either.
        if (size > 0)
            progress->OnProgress(size, size, 0, nullptr);
        return true;
    }
    if (!DownloadFile(url, target, progress, digests))
        return false;
    context.fetchedFiles[relative] = digests;
    return true;
}

// First installation: every entry straight into the install folder.
int FetchEveryEntry(CUpdateContext& context, const std::vector<ListedFile>& listed)
{
    for (const ListedFile& file : listed) {
        const Entry entry = ConvertEntry(file);
        if (!entry.acceptable) {
            LogEvent("manifest entry refused (leaves the install folder or lists no digest): %s", RelativeEntry(entry).c_str());
            ShowFailure(context, entry.fileName);
            return 0;
        }
        std::string folder = context.installPath;
        if (!entry.path.empty()) {
            folder += "\\" + entry.path;
            // Only the entry's own folder: its parents are the fixed install tree.
            if (!::PathIsDirectoryA(folder.c_str()))
                ::CreateDirectoryA(folder.c_str(), nullptr);
        }
        // Never written through a junction or symbolic link in the install tree.
        if (!IsPlainFolderChain(context.installPath, entry.path)) {
            LogEvent("download refused: a folder on the way to %s is a junction or link", RelativeEntry(entry).c_str());
            ShowFailure(context, entry.fileName);
            return 0;
        }
        ShowDownloading(context, entry.fileName, context.currentStep, context.totalSteps);
        if (entry.fileName == installInfo.downloaderFileName)
            MoveAsideDownloader(context.installPath);

        CBindCallback progress(context.dialog);
        const std::string url = context.downloadUrl + "/" + entry.path + "/" + entry.fileName;
        if (!FetchOnce(context, RelativeEntry(entry), url, folder + "\\" + entry.fileName, entry.digests,
                       &progress)) {
            ShowFailure(context, entry.fileName);
            return 0;
        }
        ShowOverallProgress(context, context.currentStep,
                            static_cast<double>(context.currentStep) / context.totalSteps * 100);
        ++context.currentStep;
    }
    return 1;
}

// Update or repair: collect what differs from the installed files, then fetch
// it into the staging folder.
int FetchChangedEntries(CUpdateContext& context, ManifestKind which, const std::vector<ListedFile>& listed)
{
    const CInstalledManifest installed(InstalledManifest(context, which));
    std::map<std::string, FileDigests> digests;
    int result = 1;
    for (const ListedFile& file : listed) {
        const Entry entry = ConvertEntry(file);
        const std::string relative = RelativeEntry(entry);
        if (!entry.acceptable) {
            LogEvent("manifest entry refused (leaves the install folder or lists no digest): %s", relative.c_str());
            ShowFailure(context, relative);
            result = 0;
            continue;
        }
        digests.emplace(relative, entry.digests);
        const std::string installedFile = context.installPath + "\\" + entry.path + "\\" + entry.fileName;
        const bool unchanged = ::PathFileExistsA(installedFile.c_str()) &&
                               installed.ManifestHasSameEntry(entry.path, entry.fileName, entry.digests) &&
                               FileDiffers(installedFile, entry.digests) == 0;
        if (!unchanged)
            context.changedFiles.push_back(relative);
    }
    // Entries carried over from the other pass are verified against the
    // digests their own manifest lists.
    AddDigests(ReadManifestFile(StagedManifest(context, OtherKind(which))), &digests);

    const int count = static_cast<int>(context.changedFiles.size());
    if (count == 0) {
        if (result == 1)
            ShowNothingToFetch(context);
        return result;
    }
    // PBM_SETRANGE carries the upper bound in the high word.
    ::SendMessageA(context.overallBar, PBM_SETRANGE, 0, MAKELPARAM(0, count));
    ::SendMessageA(context.overallBar, PBM_SETPOS, 0, 0);
    for (int step = 1; step <= count; ++step) {
        const std::string& relative = context.changedFiles[step - 1];
        ShowDownloading(context, relative, step, count);
        const auto digest = digests.find(relative);
        CBindCallback progress(context.dialog);
        const size_t lastSeparator = relative.rfind('\\');
        const std::string stagedFolder =
            std::string(kStagingFolderName) +
            (lastSeparator == std::string::npos ? std::string() : "\\" + relative.substr(0, lastSeparator));
        if (digest == digests.end() || !IsPlainFolderChain(context.installPath, stagedFolder) ||
            !FetchOnce(context, relative, context.downloadUrl + "/" + relative, context.stagingPath + "\\" + relative,
                       digest->second, &progress)) {
            ShowFailure(context, relative);
            result = 0;
            continue;
        }
        ShowOverallProgress(context, step, static_cast<double>(step) / count * 100);
    }
    return result;
}

}  // namespace

int ProcessManifest(CUpdateContext& context, ManifestKind which)
{
    if (context.runMode == kRunModeInstall)
        return FetchEveryEntry(context, ReadManifestFile(InstalledManifest(context, which)));
    return FetchChangedEntries(context, which, ReadManifestFile(StagedManifest(context, which)));
}

int CountManifestEntries(const CUpdateContext& context, ManifestKind which)
{
    return static_cast<int>(ReadManifestFile(InstalledManifest(context, which)).size());
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

std::string Utf8ToAnsi(const std::string& text)
{
    if (text.empty())
        return text;
    const int size = static_cast<int>(text.size());
    const int wideLength = ::MultiByteToWideChar(CP_UTF8, 0, text.data(), size, nullptr, 0);
    if (wideLength <= 0)
        return std::string();
    std::wstring wide(static_cast<size_t>(wideLength), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, text.data(), size, &wide[0], wideLength);
    const int length = ::WideCharToMultiByte(CP_ACP, 0, wide.data(), wideLength, nullptr, 0, nullptr, nullptr);
    if (length <= 0)
        return std::string();
    std::string result(static_cast<size_t>(length), '\0');
    ::WideCharToMultiByte(CP_ACP, 0, wide.data(), wideLength, &result[0], length, nullptr, nullptr);
    return result;
}
