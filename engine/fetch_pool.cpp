#include "engine/fetch_pool.h"

#include <algorithm>
#include <chrono>
#include <utility>

#include "engine/file_download.h"
#include "system/file_name_order.h"

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
    // Under the pool's lock.
    bool taken = false;
    bool ended = false;
    bool fetched = false;
};

CFetchPool::CFetchPool() = default;

CFetchPool::~CFetchPool()
{
    AbandonAll();
    {
        const std::lock_guard<std::mutex> guard(lock_);
        closing_ = true;
    }
    waiting_.notify_all();
    for (std::thread& thread : threads_)
        thread.join();
}

void CFetchPool::Start(FetchJob job)
{
    const std::lock_guard<std::mutex> guard(lock_);
    flights_.push_back(std::make_unique<Flight>(std::move(job), abandoned_));
    const auto unfinished = std::count_if(flights_.begin(), flights_.end(),
                                          [](const std::unique_ptr<Flight>& flight) { return !flight->ended; });
    if (static_cast<long>(threads_.size()) < unfinished)
        threads_.emplace_back([this] { Work(); });
    waiting_.notify_one();
}

CFetchPool::Flight* CFetchPool::NextWaiting() const
{
    for (const std::unique_ptr<Flight>& flight : flights_) {
        if (!flight->taken)
            return flight.get();
    }
    return nullptr;
}

void CFetchPool::Work()
{
    std::unique_lock<std::mutex> guard(lock_);
    for (;;) {
        waiting_.wait(guard, [this] { return closing_ || NextWaiting() != nullptr; });
        Flight* const flight = NextWaiting();
        if (closing_ || flight == nullptr)
            return;
        flight->taken = true;
        guard.unlock();
        const bool fetched = DownloadFile(flight->job.url, flight->job.target, flight, flight->job.digests) == 1;
        guard.lock();
        flight->fetched = fetched;
        flight->ended = true;
        ended_.notify_all();
    }
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
                       [&](const std::unique_ptr<Flight>& flight) { return SameFileName(flight->job.target, target); });
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
    for (const std::unique_ptr<Flight>& flight : finished)
        ends.push_back({flight->job.id, flight->fetched, flight->received, flight->total});
    return ends;
}

void CFetchPool::AbandonAll()
{
    abandoned_ = true;
}
