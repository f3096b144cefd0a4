#include "engine/fetch_order.h"

CFetchOrder::CFetchOrder(const std::vector<unsigned long long>& sizes)
    : large_(sizes.size()), started_(sizes.size())
{
    for (size_t step = 0; step < sizes.size(); ++step) {
        large_[step] = sizes[step] >= kLargeFileBytes;
        (large_[step] ? largeOnes_ : small_).steps.push_back(step);
    }
}

bool CFetchOrder::AllStarted() const
{
    return !small_.Waits() && !largeOnes_.Waits();
}

size_t CFetchOrder::Next() const
{
    if (largeOnes_.Waits() && (largeInFlight_ == 0 || !small_.Waits()))
        return largeOnes_.Front();
    return small_.Front();
}

void CFetchOrder::Started(size_t step)
{
    started_[step] = true;
    if (large_[step])
        ++largeInFlight_;
    Advance(large_[step] ? &largeOnes_ : &small_);
}

void CFetchOrder::Ended(size_t step)
{
    if (large_[step])
        --largeInFlight_;
}

void CFetchOrder::Advance(Queue* queue) const
{
    while (queue->Waits() && started_[queue->Front()])
        ++queue->firstWaiting;
}
