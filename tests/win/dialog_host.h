// A plain window with the children the engine addresses on the progress
// dialog (status text, both bars and percentages, the cancel button), so
// engine code can run against it on the test's own thread. It stays hidden:
// Wine takes two seconds to destroy a shown window on a display without a
// window manager, and texts and bars read the same either way.
#pragma once

#include <windows.h>

#include <string>

class DialogHost {
public:
    DialogHost();
    ~DialogHost();
    DialogHost(const DialogHost&) = delete;
    DialogHost& operator=(const DialogHost&) = delete;

    HWND hwnd() const { return window_; }
    std::string Text(int id) const;
    int BarPosition(int id) const;
    int BarUpper(int id) const;

private:
    HWND window_ = nullptr;
};
