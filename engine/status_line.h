// What the status line of a pass names while downloads run side by side:
// which step, and with which number in "正在下载 NAME   STEP/TOTAL".
//
// The line names the first step being fetched at or after the one it names;
// when none is, the first step being fetched at all (a large file started
// after later steps). The number is the step's listed number, except that it
// never goes back: a line at "9/10" that moves to a large file listed second
// reads "9/10", never "2/10".
#pragma once

#include <cstddef>
#include <vector>

class CStatusLine {
public:
    explicit CStatusLine(int firstNumber);

    // `running`: whether each step is being fetched now. True when the line
    // names another step or number.
    bool Follow(const std::vector<bool>& running);

    // The line at the end of a whole pass of `steps` steps: its last step with
    // the last number. True when that changes the line.
    bool End(size_t steps);

    bool Shows() const { return shows_; }
    size_t step() const { return step_; }
    int number() const { return number_; }

private:
    bool MoveTo(size_t step, int number);

    const int first_;
    bool shows_ = false;
    size_t step_ = 0;
    int number_ = 0;
};
