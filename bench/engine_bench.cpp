// Benchmarks of the update engine under Wine (not tests: they report figures).
//   engine_bench download URL TARGET [DIGEST]
//       one DownloadFile of a large file (checked against DIGEST when given) on
//       a worker thread, reporting to a shown window on the main thread, as
//       the program's worker reports to its progress dialog; prints bytes,
//       seconds, MB/s and the process's peak working set
//   engine_bench download-quiet URL TARGET [DIGEST]
//       the same without a progress callback (as manifests are fetched)
//   engine_bench wininet-read URL CHUNK [write] [digest]
//       the bare WinINet transfer the download is built on: the same session,
//       flags and time-outs, reads of CHUNK bytes thrown away, or written to a
//       file (C:\wininet-read.bin) and/or fed to the content digest, to time
//       each part of the download loop alone; prints MB/s
//   engine_bench update-pass INSTALL_FOLDER
//       an update pass over an installed copy whose files all match the
//       manifests (nothing to fetch); prints entries and seconds
#include <windows.h>
#include <psapi.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "app/edition.h"
#include "engine/config.h"
#include "engine/content_digest.h"
#include "engine/file_download.h"
#include "engine/manifest.h"
#include "engine/manifest_processor.h"
#include "engine/run_mode.h"
#include "engine/update_context.h"
#include "protocol/wininet_request.h"
#include "system/dll_search.h"
#include "system/handles.h"
#include "tests/win/dialog_host.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr DWORD kTransferTimeoutMs = 30000;  // the download's

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

void Report(const char* what, int fetched, const std::string& target, double seconds, size_t before)
{
    WIN32_FILE_ATTRIBUTE_DATA data{};
    ::GetFileAttributesExA(target.c_str(), GetFileExInfoStandard, &data);
    const double bytes = static_cast<double>(data.nFileSizeLow) + data.nFileSizeHigh * 4294967296.0;
    std::printf("%s fetched=%d bytes=%.0f seconds=%.2f MBps=%.1f peak_working_set_before_MB=%.1f "
                "peak_working_set_MB=%.1f\n",
                what, fetched, bytes, seconds, bytes / seconds / 1e6, before / 1e6, PeakWorkingSet() / 1e6);
}

// The worker downloads while the main thread keeps the window shown and
// painted, so each progress report crosses threads as in the program.
int Download(const std::string& url, const std::string& target, const std::string& digest)
{
    DialogHost host;
    ::ShowWindow(host.hwnd(), SW_SHOWNOACTIVATE);
    const size_t before = PeakWorkingSet();
    int fetched = 0;
    double seconds = 0;
    const DWORD mainThread = ::GetCurrentThreadId();
    std::thread worker([&] {
        CBindCallback progress(host.hwnd());
        const auto start = Clock::now();
        fetched = DownloadFile(url, target, &progress, {digest});
        seconds = Seconds(start);
        ::PostThreadMessageA(mainThread, WM_QUIT, 0, 0);
    });
    MSG message;
    while (::GetMessageA(&message, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&message);
        ::DispatchMessageA(&message);
    }
    worker.join();
    Report("download", fetched, target, seconds, before);
    return fetched ? 0 : 1;
}

int DownloadQuiet(const std::string& url, const std::string& target, const std::string& digest)
{
    const size_t before = PeakWorkingSet();
    const auto start = Clock::now();
    const int fetched = DownloadFile(url, target, nullptr, {digest});
    Report("download-quiet", fetched, target, Seconds(start), before);
    return fetched ? 0 : 1;
}

int WininetRead(const std::string& url, DWORD chunk, bool write, bool hash)
{
    ParsedUrl target;
    if (!ParseHttpUrl(url, &target))
        return 2;
    const auto start = Clock::now();
    InternetHandle session(::InternetOpenA("engine_bench", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
    InternetHandle connection = OpenHttpConnection(session.get(), target);
    InternetHandle request = OpenGetRequest(connection.get(), target);
    if (!request)
        return 1;
    SetTimeouts(request.get(), kTransferTimeoutMs);
    IgnoreCertificateProblems(request.get());
    if (!::HttpSendRequestA(request.get(), nullptr, 0, nullptr, 0))
        return 1;
    UniqueHandle file(write ? ::CreateFileA("C:\\wininet-read.bin", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                            FILE_ATTRIBUTE_NORMAL, nullptr)
                            : INVALID_HANDLE_VALUE);
    CContentDigest digest;
    std::vector<char> buffer(chunk);
    double bytes = 0;
    DWORD read = 0;
    while (::InternetReadFile(request.get(), buffer.data(), chunk, &read) && read > 0) {
        bytes += read;
        DWORD written = 0;
        if (write)
            ::WriteFile(file.get(), buffer.data(), read, &written, nullptr);
        if (hash)
            digest.Update(buffer.data(), read);
    }
    const double seconds = Seconds(start);
    std::printf("wininet-read chunk=%lu write=%d digest=%d bytes=%.0f seconds=%.2f MBps=%.1f\n",
                static_cast<unsigned long>(chunk), write, hash, bytes, seconds, bytes / seconds / 1e6);
    return bytes > 0 ? 0 : 1;
}

int UpdatePass(const std::string& installFolder)
{
    SetupEdition();
    DialogHost host;
    CUpdateContext context(host.hwnd(), editionInfo.groupCode, kRunModeUpdate, "http://bank.example/download/811",
                           kOfferUpdate, "1.0.0.4", installFolder);
    // The run's manifests are the installed ones, as if staged: every entry
    // is compared with its installed file and found unchanged.
    context.commonEntries = ReadManifestFile(context.installedCommonManifest);
    context.editionEntries = ReadManifestFile(context.installedEditionManifest);
    context.manifestsStaged = true;
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
    RestrictDllSearch();  // as the program starts: its DLLs come from the system folder
    const std::string digest = argc == 5 ? argv[4] : "";
    if ((argc == 4 || argc == 5) && std::strcmp(argv[1], "download") == 0)
        return Download(argv[2], argv[3], digest);
    if ((argc == 4 || argc == 5) && std::strcmp(argv[1], "download-quiet") == 0)
        return DownloadQuiet(argv[2], argv[3], digest);
    if (argc >= 4 && std::strcmp(argv[1], "wininet-read") == 0) {
        bool write = false;
        bool hash = false;
        for (int i = 4; i < argc; ++i) {
            write = write || std::strcmp(argv[i], "write") == 0;
            hash = hash || std::strcmp(argv[i], "digest") == 0;
        }
        return WininetRead(argv[2], static_cast<DWORD>(std::strtoul(argv[3], nullptr, 10)), write, hash);
    }
    if (argc == 3 && std::strcmp(argv[1], "update-pass") == 0)
        return UpdatePass(argv[2]);
    std::fprintf(stderr,
                 "usage: engine_bench download URL TARGET [DIGEST] | download-quiet URL TARGET [DIGEST] |\n"
                 "       wininet-read URL CHUNK [write] [digest] | update-pass INSTALL_FOLDER\n");
    return 2;
}
