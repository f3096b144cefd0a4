#include "protocol/request_record.h"

#include <utility>

#include "system/support_log.h"

namespace {

thread_local RequestRecord* openRecord = nullptr;

}  // namespace

RequestRecord::RequestRecord(std::string url) : url_(std::move(url)), started_(::GetTickCount()), outer_(openRecord)
{
    openRecord = this;
}

RequestRecord::~RequestRecord()
{
    openRecord = outer_;
    const unsigned long ms = ::GetTickCount() - started_;
    const std::string status = status_ != 0 ? "HTTP " + std::to_string(status_) : "no status";
    LogEvent("GET %s: %s, %llu bytes, %lu ms, %s%s%s", url_.c_str(), status.c_str(),
             static_cast<unsigned long long>(bytes_), ms, outcome_, reason_ != nullptr ? ": " : "",
             reason_ != nullptr ? reason_ : "");
}

void RequestRecord::Finish(const char* outcome)
{
    outcome_ = outcome;
}

void RequestRecord::NoteStatus(DWORD status)
{
    if (openRecord != nullptr)
        openRecord->status_ = status;
}

void RequestRecord::NoteBytes(uint64_t bytes)
{
    if (openRecord != nullptr)
        openRecord->bytes_ = bytes;
}

void RequestRecord::NoteReason(const char* reason)
{
    if (openRecord != nullptr)
        openRecord->reason_ = reason;
}
