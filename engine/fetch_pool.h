// Up to four downloads at once for one pass over a manifest, on up to four
// threads that the pool keeps for the pass. On a link with a long round trip
// one file after the other leaves the line idle between files and each
// transfer in TCP's slow start; a few at a time keep it full. The threads only
// fetch: they never touch a window, and whoever started the downloads reads
// their progress and their ends.
#pragma once

#include <windows.h>

#include <atomic>
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

struct FetchEnd {
    int id;
    bool fetched;     // DownloadFile's 1
    ULONG received;   // the last progress it reported
    ULONG total;
};

class CFetchPool {
public:
    CFetchPool();
    // Abandons what is still in flight and waits for the threads.
    ~CFetchPool();
    CFetchPool(const CFetchPool&) = delete;
    CFetchPool& operator=(const CFetchPool&) = delete;

    // Hands `job` to a thread that runs DownloadFile for it; only while !Full().
    void Start(FetchJob job);

    bool Full() const;
    bool Idle() const;
    // Whether a download into `target` is in flight: a second one into the
    // same ".part" would fail on the first one's open file. A name that
    // differs only in letter case is the same file.
    bool Fetching(const std::string& target) const;

    // The progress job `id` last reported; false when it is not in flight or
    // reported nothing yet.
    bool Progress(int id, ULONG* received, ULONG* total) const;

    // Waits up to `ms` for a download to end, and returns those that ended
    // since the last call, in the order they were started.
    std::vector<FetchEnd> Collect(DWORD ms);

    // Every download in flight stops at its next read and counts as failed.
    void AbandonAll();

private:
    struct Flight;

    void Work();
    // The first download no thread has taken yet; null when none waits.
    Flight* NextWaiting() const;

    mutable std::mutex lock_;
    std::condition_variable ended_;
    std::condition_variable waiting_;  // a download waits for a thread, or the pool closes
    // Started and not yet collected, in the order they were started.
    std::vector<std::unique_ptr<Flight>> flights_;
    // Kept for the pass: starting a thread costs some milliseconds under Wine,
    // a thread per file as much as a small file's transfer.
    std::vector<std::thread> threads_;
    bool closing_ = false;
    std::atomic<bool> abandoned_{false};
};
