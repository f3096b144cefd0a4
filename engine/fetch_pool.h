// Up to four downloads at once for one pass over a manifest, on up to four
// threads that the pool keeps for the pass. On a link with a long round trip
// one file after the other leaves the line idle between files and each
// transfer in TCP's slow start; a few at a time keep it full. The threads only
// fetch: they never touch a window, and whoever started the downloads reads
// their progress and their ends. Once the downloads are abandoned the pool
// waits for none of them: a thread still blocked in a request ends on its own
// later, and nothing of the pass waits for it.
#pragma once

#include <windows.h>

#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "engine/content_digest.h"

// Four is what a browser keeps open to one proxy, and what the platform's
// Internet functions allow per proxy by default.
constexpr int kFetchesInFlight = 4;

struct FetchJob {
    int id;  // the caller's number for it
    std::string url;
    std::string target;
    FileDigests digests;
};

// What a download last reported: both numbers of one report, never one of
// one report and one of another.
struct FetchProgress {
    ULONG received = 0;
    ULONG total = 0;
};

struct FetchEnd {
    int id;
    bool fetched;            // DownloadFile's 1
    FetchProgress progress;  // the last it reported
};

class CFetchPool {
public:
    CFetchPool();
    // Abandons what is still in flight; waits for no thread.
    ~CFetchPool();
    CFetchPool(const CFetchPool&) = delete;
    CFetchPool& operator=(const CFetchPool&) = delete;

    // Hands `job` to a thread that runs DownloadFile for it; only while
    // !Full(), and never after AbandonAll. When no thread can be made for it
    // and none is there to take it, it ends at once as failed.
    void Start(FetchJob job);

    bool Full() const;
    bool Idle() const;
    // Whether a download into `target` is in flight: a second one into the
    // same ".part" would fail on the first one's open file. A name that
    // differs only in letter case is the same file.
    bool Fetching(const std::string& target) const;

    // The progress job `id` last reported; false when it is not in flight or
    // reported nothing yet.
    bool Progress(int id, FetchProgress* progress) const;

    // Waits up to `ms` for a download to end, and returns those that ended
    // since the last call, in the order they were started.
    std::vector<FetchEnd> Collect(DWORD ms);

    // Every download in flight has its request closed and stops at its next
    // report; from now on each counts as ended, and as failed unless it had
    // already fetched its file.
    void AbandonAll();

private:
    struct Flight;
    struct Shared;

    static void Work(const std::shared_ptr<Shared>& shared);

    // Shared with the threads, which may outlive the pool once it abandoned them.
    const std::shared_ptr<Shared> shared_;
    // Kept for the pass: starting a thread costs some milliseconds under Wine,
    // a thread per file as much as a small file's transfer.
    std::vector<std::thread> threads_;
};
