#include "engine/fetch_order.h"

CFetchOrder::CFetchOrder(const std::vector<unsigned long long>& sizes)
    : large_(sizes.size()), started_(sizes.size())
{
    for (size_t step = 0; step < sizes.size(); ++step) {
        large_[step] = sizes[step] >= kLargeFileBytes;
        if (large_[step])
            largeSteps_.push_back(step);
    }
}

size_t CFetchOrder::Next() const
{
    if (largeInFlight_ == 0 && firstWaitingLarge_ < largeSteps_.size())
        return largeSteps_[firstWaitingLarge_];
    return firstWaiting_;
}

void CFetchOrder::Started(size_t step)
{
    started_[step] = true;
    if (IsLarge(step))
        ++largeInFlight_;
    // Both cursors only move forward: a pass of many steps costs no search.
    while (firstWaiting_ < started_.size() && started_[firstWaiting_])
        ++firstWaiting_;
    while (firstWaitingLarge_ < largeSteps_.size() && started_[largeSteps_[firstWaitingLarge_]])
        ++firstWaitingLarge_;
}

void CFetchOrder::Ended(size_t step)
{
    if (IsLarge(step))
        --largeInFlight_;
}
