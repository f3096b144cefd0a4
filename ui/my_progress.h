// The skinned progress bar: a standard progress bar (msctls_progress32) that
// keeps its own range and position but paints itself as a grey track with a
// tiled green fill.
#pragma once

#include <windows.h>

// Paints a bar of range lower..upper at `position` into `client` of `dc`: the
// track colour everywhere, then the tile `pattern` from the left edge over
// client width / (upper - lower) * position pixels, the tile anchored at the
// top-left corner of `client`. The position is not reduced by the lower bound;
// an empty range paints the track only.
void PaintProgressBar(HDC dc, const RECT& client, int lower, int upper, int position, HBITMAP pattern);

class CMyProgress {
public:
    CMyProgress() = default;
    CMyProgress(const CMyProgress&) = delete;
    CMyProgress& operator=(const CMyProgress&) = delete;

    // Takes over the painting of progress bar `id` of `dialog`; false when the
    // control does not exist.
    bool SubclassDlgItem(int id, HWND dialog);
    HWND GetSafeHwnd() const { return hwnd_; }

private:
    HWND hwnd_ = nullptr;
};
