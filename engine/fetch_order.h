// The order in which a pass starts its downloads. Steps start in their listed
// order, except that a large file starts early: while one is in flight its
// bytes keep the line busy through the round trips that the small files
// spend waiting for their answers. So whenever no large file is in flight,
// the first large one not yet started goes next. Four small files at a time
// left a 20 Mbit/s line with a 50 ms round trip a third idle.
#pragma once

#include <cstddef>
#include <vector>

class CFetchOrder {
public:
    // Large enough to outlast several round trips on any line it shares with
    // small files: 0.4 s at 20 Mbit/s, 80 ms at 100 Mbit/s.
    static constexpr unsigned long long kLargeFileBytes = 1 << 20;

    // Each step's size as its manifest lists it, 0 when it lists none.
    explicit CFetchOrder(const std::vector<unsigned long long>& sizes);

    bool AllStarted() const { return firstWaiting_ == started_.size(); }
    // The step to start next; only while some step waits.
    size_t Next() const;
    void Started(size_t step);
    // A started step's download is over, however it ended.
    void Ended(size_t step);

private:
    bool IsLarge(size_t step) const { return large_[step]; }

    std::vector<bool> large_;
    std::vector<bool> started_;
    std::vector<size_t> largeSteps_;  // in listed order
    size_t firstWaiting_ = 0;         // into started_
    size_t firstWaitingLarge_ = 0;    // into largeSteps_
    int largeInFlight_ = 0;
};
