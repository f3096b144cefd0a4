// The order in which a pass starts its downloads. Small files start in their
// listed order, and beside them one large file at a time: its bytes keep the
// line busy through the round trips that the small files spend waiting for
// their answers, and the small files keep the other slots. Once no small
// file waits, the large ones left start in their listed order. Four small
// files at a time left a 20 Mbit/s line with a 50 ms round trip a third idle.
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

    bool AllStarted() const;
    // The step to start next; only while some step waits.
    size_t Next() const;
    void Started(size_t step);
    // A started step's download is over, however it ended.
    void Ended(size_t step);

private:
    // Steps of one kind in listed order, and the first of them not started.
    struct Queue {
        std::vector<size_t> steps;
        size_t firstWaiting = 0;

        bool Waits() const { return firstWaiting < steps.size(); }
        size_t Front() const { return steps[firstWaiting]; }
    };

    // Only ever moves forward: a pass of many steps costs no search.
    void Advance(Queue* queue) const;

    std::vector<bool> large_;
    std::vector<bool> started_;
    Queue small_;
    Queue largeOnes_;
    int largeInFlight_ = 0;
};
