#include "engine/fetch_pool.h"

#include <algorithm>
#include <chrono>
#include <system_error>
#include <utility>

#include "engine/file_download.h"
#include "system/file_name_order.h"
#include "system/support_log.h"

struct CFetchPool::Shared {
    std::mutex lock;
    std::condition_variable ended;
    std::condition_variable waiting;  // a download waits for a thread, or the pool closes
    // Started and not yet collected, in the order they were started. A thread
    // keeps its own reference while it downloads: an abandoned download is
    // collected while its thread may still be blocked in a request.
    std::vector<std::shared_ptr<Flight>> flights;
    bool closing = false;
    bool abandoned = false;
};

// The download's progress sink. Every field is under the shared lock: the
// progress pair is written by the downloading thread and read by the pass.
struct CFetchPool::Flight : public CProgressSink {
    Flight(FetchJob fetchJob, Shared& pool) : job(std::move(fetchJob)), shared(pool) {}

    HRESULT STDMETHODCALLTYPE OnProgress(ULONG received, ULONG total, ULONG statusCode, LPCWSTR) override
    {
        const std::lock_guard<std::mutex> guard(shared.lock);
        if (shared.abandoned)
            return E_ABORT;
        if (statusCode == kDataReport) {
            progress = {received, total};
            reported = true;
        }
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE OnStartBinding(DWORD, IBinding* request) override
    {
        const std::lock_guard<std::mutex> guard(shared.lock);
        binding = request;
        if (shared.abandoned)
            binding->Abort();
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE OnStopBinding(HRESULT, LPCWSTR) override
    {
        const std::lock_guard<std::mutex> guard(shared.lock);
        binding = nullptr;
        return S_OK;
    }

    // An abandoned download is over for the pass whatever its thread still does.
    bool Over() const { return ended || shared.abandoned; }

    const FetchJob job;
    Shared& shared;
    FetchProgress progress;
    bool reported = false;
    IBinding* binding = nullptr;  // the request in flight, between its start and stop
    bool taken = false;
    bool ended = false;
    bool fetched = false;
};

namespace {

// The first download no thread has taken yet; null when none waits.
template <typename Flights>
auto NextWaiting(const Flights& flights) -> typename Flights::value_type
{
    for (const auto& flight : flights) {
        if (!flight->taken)
            return flight;
    }
    return nullptr;
}

}  // namespace

CFetchPool::CFetchPool() : shared_(std::make_shared<Shared>()) {}

CFetchPool::~CFetchPool()
{
    AbandonAll();
    {
        const std::lock_guard<std::mutex> guard(shared_->lock);
        shared_->closing = true;
    }
    shared_->waiting.notify_all();
    // An idle thread ends at once; one blocked in a request that Wine does not
    // let go ends at its time-out, and the pass does not wait for it.
    for (std::thread& thread : threads_)
        thread.detach();
}

void CFetchPool::Start(FetchJob job)
{
    const std::lock_guard<std::mutex> guard(shared_->lock);
    auto flight = std::make_shared<Flight>(std::move(job), *shared_);
    shared_->flights.push_back(flight);
    const auto unfinished = std::count_if(shared_->flights.begin(), shared_->flights.end(),
                                          [](const std::shared_ptr<Flight>& each) { return !each->ended; });
    if (static_cast<long>(threads_.size()) < unfinished) {
        try {
            threads_.emplace_back([shared = shared_] { Work(shared); });
        } catch (const std::system_error& error) {
            // Out of threads (or of address space for a stack): the threads
            // there are take the download in turn; with none, it fails.
            LogEvent("no thread for the download of %s: %s", flight->job.url.c_str(), error.what());
            if (threads_.empty()) {
                flight->taken = true;
                flight->ended = true;
                shared_->ended.notify_all();
                return;
            }
        }
    }
    shared_->waiting.notify_one();
}

void CFetchPool::Work(const std::shared_ptr<Shared>& shared)
{
    std::unique_lock<std::mutex> guard(shared->lock);
    for (;;) {
        shared->waiting.wait(guard, [&] {
            return shared->closing || (!shared->abandoned && NextWaiting(shared->flights) != nullptr);
        });
        if (shared->closing)
            return;
        const std::shared_ptr<Flight> flight = NextWaiting(shared->flights);
        flight->taken = true;
        guard.unlock();
        const bool fetched = DownloadFile(flight->job.url, flight->job.target, flight.get(), flight->job.digests) == 1;
        guard.lock();
        flight->fetched = fetched;
        flight->ended = true;
        shared->ended.notify_all();
    }
}

bool CFetchPool::Full() const
{
    const std::lock_guard<std::mutex> guard(shared_->lock);
    return static_cast<int>(shared_->flights.size()) >= kFetchesInFlight;
}

bool CFetchPool::Idle() const
{
    const std::lock_guard<std::mutex> guard(shared_->lock);
    return shared_->flights.empty();
}

bool CFetchPool::Fetching(const std::string& target) const
{
    const std::lock_guard<std::mutex> guard(shared_->lock);
    return std::any_of(shared_->flights.begin(), shared_->flights.end(),
                       [&](const std::shared_ptr<Flight>& flight) { return SameFileName(flight->job.target, target); });
}

bool CFetchPool::Progress(int id, FetchProgress* progress) const
{
    const std::lock_guard<std::mutex> guard(shared_->lock);
    for (const std::shared_ptr<Flight>& flight : shared_->flights) {
        if (flight->job.id == id && flight->reported) {
            *progress = flight->progress;
            return true;
        }
    }
    return false;
}

std::vector<FetchEnd> CFetchPool::Collect(DWORD ms)
{
    std::vector<FetchEnd> ends;
    std::unique_lock<std::mutex> guard(shared_->lock);
    std::vector<std::shared_ptr<Flight>>& flights = shared_->flights;
    const auto over = [](const std::shared_ptr<Flight>& flight) { return flight->Over(); };
    shared_->ended.wait_for(guard, std::chrono::milliseconds(ms),
                            [&] { return std::any_of(flights.begin(), flights.end(), over); });
    const auto firstRunning = std::stable_partition(flights.begin(), flights.end(), over);
    for (auto flight = flights.begin(); flight != firstRunning; ++flight)
        ends.push_back({(*flight)->job.id, (*flight)->ended && (*flight)->fetched,
                        (*flight)->progress});
    flights.erase(flights.begin(), firstRunning);
    return ends;
}

void CFetchPool::AbandonAll()
{
    {
        const std::lock_guard<std::mutex> guard(shared_->lock);
        shared_->abandoned = true;
        for (const std::shared_ptr<Flight>& flight : shared_->flights) {
            if (flight->binding != nullptr)
                flight->binding->Abort();
        }
    }
    shared_->ended.notify_all();
}
