#include "engine/progress_units.h"

ProgressUnits ScaleProgress(uint64_t received, uint64_t total)
{
    unsigned shift = 0;
    while ((total >> shift) > kMaxProgressUnits)
        ++shift;
    return {static_cast<uint32_t>(received >> shift), static_cast<uint32_t>(total >> shift)};
}
