// A transfer's byte counts in the units the progress display takes. The
// platform's progress reports carry 32-bit counts, and a progress bar's range
// and position are signed 32-bit values: a file of 2 GiB or more would wrap
// or turn negative there. Both counts are halved together until the total
// fits, so the bar and its percentage keep the transfer's proportion; a
// 5 GiB file is shown in units of 4 bytes.
#pragma once

#include <cstdint>

// The largest range a progress bar takes.
constexpr uint32_t kMaxProgressUnits = 0x7FFFFFFF;

struct ProgressUnits {
    uint32_t received;
    uint32_t total;
};

// `received` and `total` bytes (received <= total) in units where the total
// is at most kMaxProgressUnits; below 2 GiB a unit is a byte.
ProgressUnits ScaleProgress(uint64_t received, uint64_t total);
