#include "engine/fetch_pool.h"

#include <algorithm>
#include <chrono>
#include <utility>

#include "engine/file_download.h"

// Progress goes to two atomics the starting thread reads; an abandoned pool
// answers the next report with E_ABORT.
struct CFetchPool::Flight : public CProgressSink {
    Flight(FetchJob fetchJob, const std::atomic<bool>& poolAbandoned)
        : job(std::move(fetchJob)), abandoned(poolAbandoned)
    {
    }

    HRESULT STDMETHODCALLTYPE OnProgress(ULONG progress, ULONG progressMax, ULONG statusCode, LPCWSTR) override
    {
        if (abandoned)
            return E_ABORT;
        if (statusCode != kDataReport)
            return S_OK;
        received = progress;
        total = progressMax;
        reported = true;
        return S_OK;
    }

    const FetchJob job;
    const std::atomic<bool>& abandoned;
    std::atomic<ULONG> received{0};
    std::atomic<ULONG> total{0};
    std::atomic<bool> reported{false};
    bool ended = false;  // under the pool's lock
    bool fetched = false;
    std::thread thread;
};

CFetchPool::CFetchPool() = default;

CFetchPool::~CFetchPool()
{
    AbandonAll();
    for (const std::unique_ptr<Flight>& flight : flights_)
        flight->thread.join();
}

void CFetchPool::Start(FetchJob job)
{
    auto flight = std::make_unique<Flight>(std::move(job), abandoned_);
    Flight* const running = flight.get();
    {
        const std::lock_guard<std::mutex> guard(lock_);
        flights_.push_back(std::move(flight));
    }
    running->thread = std::thread([this, running] {
        const bool fetched =
            DownloadFile(running->job.url, running->job.target, running, running->job.digests) == 1;
        const std::lock_guard<std::mutex> guard(lock_);
        running->fetched = fetched;
        running->ended = true;
        ended_.notify_all();
    });
}

bool CFetchPool::Full() const
{
    const std::lock_guard<std::mutex> guard(lock_);
    return static_cast<int>(flights_.size()) >= kFetchesInFlight;
}

bool CFetchPool::Idle() const
{
    const std::lock_guard<std::mutex> guard(lock_);
    return flights_.empty();
}

bool CFetchPool::Fetching(const std::string& target) const
{
    const std::lock_guard<std::mutex> guard(lock_);
    return std::any_of(flights_.begin(), flights_.end(),
                       [&](const std::unique_ptr<Flight>& flight) { return flight->job.target == target; });
}

bool CFetchPool::Progress(int id, ULONG* received, ULONG* total) const
{
    const std::lock_guard<std::mutex> guard(lock_);
    for (const std::unique_ptr<Flight>& flight : flights_) {
        if (flight->job.id == id && flight->reported) {
            *received = flight->received;
            *total = flight->total;
            return true;
        }
    }
    return false;
}

std::vector<FetchEnd> CFetchPool::Collect(DWORD ms)
{
    std::vector<std::unique_ptr<Flight>> finished;
    {
        std::unique_lock<std::mutex> guard(lock_);
        const auto anyEnded = [this] {
            return std::any_of(flights_.begin(), flights_.end(),
                               [](const std::unique_ptr<Flight>& flight) { return flight->ended; });
        };
        ended_.wait_for(guard, std::chrono::milliseconds(ms), anyEnded);
        const auto firstRunning = std::stable_partition(
            flights_.begin(), flights_.end(), [](const std::unique_ptr<Flight>& flight) { return flight->ended; });
        std::move(flights_.begin(), firstRunning, std::back_inserter(finished));
        flights_.erase(flights_.begin(), firstRunning);
    }
    std::vector<FetchEnd> ends;
    for (const std::unique_ptr<Flight>& flight : finished) {
        flight->thread.join();
        ends.push_back({flight->job.id, flight->fetched, flight->received, flight->total});
    }
    return ends;
}

void CFetchPool::AbandonAll()
{
    abandoned_ = true;
}
