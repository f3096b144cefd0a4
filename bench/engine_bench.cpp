// Benchmarks of the update engine under Wine (not tests: they report figures).
//   engine_bench download URL TARGET
//       one DownloadFile of a large file; prints bytes, seconds, MB/s and the
//       process's peak working set
//   engine_bench update-pass INSTALL_FOLDER
//       an update pass over an installed copy whose files all match the
//       manifests (nothing to fetch); prints entries and seconds
#include <windows.h>
#include <psapi.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

#include "app/config.h"
#include "app/edition.h"
#include "engine/file_download.h"
#include "engine/manifest_processor.h"
#include "engine/run_mode.h"
#include "engine/update_context.h"
#include "tests/win/dialog_host.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

size_t PeakWorkingSet()
{
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    ::GetProcessMemoryInfo(::GetCurrentProcess(), &counters, sizeof counters);
    return counters.PeakWorkingSetSize;
}

int Download(const std::string& url, const std::string& target)
{
    DialogHost host;
    CBindCallback progress(host.hwnd());
    const size_t before = PeakWorkingSet();
    const auto start = Clock::now();
    const int fetched = DownloadFile(url, target, &progress);
    const double seconds = Seconds(start);
    WIN32_FILE_ATTRIBUTE_DATA data{};
    ::GetFileAttributesExA(target.c_str(), GetFileExInfoStandard, &data);
    const double bytes = static_cast<double>(data.nFileSizeLow) + data.nFileSizeHigh * 4294967296.0;
    std::printf("download fetched=%d bytes=%.0f seconds=%.2f MBps=%.1f peak_working_set_before_MB=%.1f "
                "peak_working_set_MB=%.1f\n",
                fetched, bytes, seconds, bytes / seconds / 1e6, before / 1e6, PeakWorkingSet() / 1e6);
    return fetched ? 0 : 1;
}

int UpdatePass(const std::string& installFolder)
{
    SetupEdition();
    DialogHost host;
    CUpdateContext context(host.hwnd(), editionInfo.groupCode, kRunModeUpdate, "http://bank.example/download/811",
                           1, "1.0.0.4", installFolder);
    // The staged manifests are the installed ones: every entry is compared
    // with its installed file and found unchanged.
    ::CopyFileA(context.installedCommonManifest.c_str(), context.stagedCommonManifest.c_str(), FALSE);
    ::CopyFileA(context.installedEditionManifest.c_str(), context.stagedEditionManifest.c_str(), FALSE);
    const auto start = Clock::now();
    const int common = ProcessManifest(context, kCommonManifest);
    const int edition = ProcessManifest(context, kEditionManifest);
    const double seconds = Seconds(start);
    const int entries = CountManifestEntries(context, kCommonManifest) + CountManifestEntries(context, kEditionManifest);
    std::printf("update-pass entries=%d changed=%zu seconds=%.2f result=%d\n", entries, context.changedFiles.size(),
                seconds, common && edition);
    return common && edition ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 4 && std::strcmp(argv[1], "download") == 0)
        return Download(argv[2], argv[3]);
    if (argc == 3 && std::strcmp(argv[1], "update-pass") == 0)
        return UpdatePass(argv[2]);
    std::fprintf(stderr, "usage: engine_bench download URL TARGET | update-pass INSTALL_FOLDER\n");
    return 2;
}
