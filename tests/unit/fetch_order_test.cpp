// The order a pass starts its downloads in, with four in flight.
#include <gtest/gtest.h>

#include <deque>
#include <ostream>
#include <random>
#include <vector>

#include "engine/fetch_order.h"

namespace {

constexpr unsigned long long S = 64 * 1024;                 // a small file
constexpr unsigned long long L = CFetchOrder::kLargeFileBytes;  // the least a large one has
constexpr size_t kInFlight = 4;

// Starts steps as a pass does while up to four are in flight, and ends the
// one that started first whenever the pool is full or nothing waits.
std::vector<size_t> StartOrder(const std::vector<unsigned long long>& sizes)
{
    CFetchOrder order(sizes);
    std::deque<size_t> flying;
    std::vector<size_t> started;
    while (!order.AllStarted() || !flying.empty()) {
        if (!order.AllStarted() && flying.size() < kInFlight) {
            const size_t step = order.Next();
            order.Started(step);
            flying.push_back(step);
            started.push_back(step);
            continue;
        }
        order.Ended(flying.front());
        flying.pop_front();
    }
    return started;
}

struct OrderCase {
    const char* why;
    std::vector<unsigned long long> sizes;
    std::vector<size_t> started;
};

std::ostream& operator<<(std::ostream& out, const OrderCase& c)
{
    return out << c.why;
}

class FetchOrder : public ::testing::TestWithParam<OrderCase> {};

TEST_P(FetchOrder, StartsStepsInThisOrder)
{
    EXPECT_EQ(StartOrder(GetParam().sizes), GetParam().started);
}

const OrderCase kOrders[] = {
    {"no sizes listed: the listed order", {0, 0, 0, 0, 0, 0}, {0, 1, 2, 3, 4, 5}},
    {"small files only: the listed order", {S, S, S, S, S, S}, {0, 1, 2, 3, 4, 5}},
    {"a large file listed last starts first", {S, S, S, S, S, L}, {5, 0, 1, 2, 3, 4}},
    {"just under the bound is small", {S, S, S, S, S, L - 1}, {0, 1, 2, 3, 4, 5}},
    {"the next large file starts once the first has ended",
     {S, L, S, S, S, S, L, S},
     {1, 0, 2, 3, 6, 4, 5, 7}},
    {"a second large file waits for the first while small ones wait",
     {L, L, S, S, S},
     {0, 2, 3, 4, 1}},
    {"once no small file waits, the large ones left start side by side",
     {L, L, L, S},
     {0, 3, 1, 2}},
    {"large files only: the listed order", {L, L, L, L, L, L}, {0, 1, 2, 3, 4, 5}},
    {"no steps", {}, {}},
};

INSTANTIATE_TEST_SUITE_P(Passes, FetchOrder, ::testing::ValuesIn(kOrders));

// Whatever the sizes and whichever download ends first: every step starts
// once, each kind keeps its listed order, a large file goes next whenever
// none is in flight, and a second one starts only when no small file waits.
TEST(FetchOrderProperties, HoldForRandomPasses)
{
    std::mt19937 random(811);
    for (int pass = 0; pass < 500; ++pass) {
        std::vector<unsigned long long> sizes(random() % 40);
        for (auto& size : sizes)
            size = random() % 5 == 0 ? L + random() % L : random() % L;
        CFetchOrder order(sizes);
        std::vector<size_t> flying;
        std::vector<bool> started(sizes.size());
        size_t lastSmall = SIZE_MAX;
        size_t lastLarge = SIZE_MAX;
        while (!order.AllStarted() || !flying.empty()) {
            if (!order.AllStarted() && flying.size() < kInFlight && random() % 3 != 0) {
                const size_t step = order.Next();
                ASSERT_LT(step, sizes.size());
                ASSERT_FALSE(started[step]) << "pass " << pass;
                bool largeFlying = false;
                for (size_t other : flying)
                    largeFlying = largeFlying || sizes[other] >= L;
                bool largeWaiting = false;
                for (size_t other = 0; other < sizes.size(); ++other)
                    largeWaiting = largeWaiting || (!started[other] && sizes[other] >= L);
                bool smallWaiting = false;
                for (size_t other = 0; other < sizes.size(); ++other)
                    smallWaiting = smallWaiting || (!started[other] && sizes[other] < L);
                if (largeWaiting && !largeFlying) {
                    EXPECT_GE(sizes[step], L) << "pass " << pass;
                }
                if (largeFlying && smallWaiting) {
                    EXPECT_LT(sizes[step], L) << "pass " << pass;
                }
                size_t& last = sizes[step] < L ? lastSmall : lastLarge;
                EXPECT_TRUE(last == SIZE_MAX || step > last) << "pass " << pass;
                last = step;
                order.Started(step);
                started[step] = true;
                flying.push_back(step);
            } else if (!flying.empty()) {
                const size_t ends = random() % flying.size();
                order.Ended(flying[ends]);
                flying.erase(flying.begin() + static_cast<std::ptrdiff_t>(ends));
            }
        }
        for (size_t step = 0; step < sizes.size(); ++step)
            EXPECT_TRUE(started[step]) << "pass " << pass << ", step " << step;
    }
}

}  // namespace
