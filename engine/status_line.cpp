#include "engine/status_line.h"

#include <algorithm>

namespace {

size_t FirstRunning(const std::vector<bool>& running, size_t from)
{
    while (from < running.size() && !running[from])
        ++from;
    return from;
}

}  // namespace

CStatusLine::CStatusLine(int firstNumber) : first_(firstNumber) {}

bool CStatusLine::Follow(const std::vector<bool>& running)
{
    size_t step = FirstRunning(running, shows_ ? step_ : 0);
    if (step == running.size())
        step = FirstRunning(running, 0);
    if (step == running.size() || (shows_ && step == step_))
        return false;
    return MoveTo(step, std::max(number_, first_ + static_cast<int>(step)));
}

bool CStatusLine::End(size_t steps)
{
    if (steps == 0)
        return false;
    const int last = first_ + static_cast<int>(steps) - 1;
    return MoveTo(steps - 1, std::max(number_, last));
}

bool CStatusLine::MoveTo(size_t step, int number)
{
    if (shows_ && step == step_ && number == number_)
        return false;
    shows_ = true;
    step_ = step;
    number_ = number;
    return true;
}
