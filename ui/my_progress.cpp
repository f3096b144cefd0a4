#include "ui/my_progress.h"

#include <commctrl.h>

#include "res/resource.h"
#include "system/handles.h"

namespace {

constexpr COLORREF kTrackColour = RGB(128, 119, 122);
constexpr UINT_PTR kSubclassId = 1;

int FilledWidth(int width, int lower, int upper, int position)
{
    if (upper == lower)
        return 0;
    const double filled = static_cast<double>(width) / (static_cast<double>(upper) - lower) * position;
    // A position outside the range (the lower bound is not subtracted) must
    // neither paint beyond the control nor overflow the conversion.
    if (filled <= 0)
        return 0;
    return filled >= width ? width : static_cast<int>(filled);
}

void PaintControl(HWND control)
{
    PAINTSTRUCT paint;
    HDC dc = ::BeginPaint(control, &paint);
    RECT client;
    ::GetClientRect(control, &client);
    PBRANGE range{};
    ::SendMessageA(control, PBM_GETRANGE, TRUE, reinterpret_cast<LPARAM>(&range));
    const int position = static_cast<int>(::SendMessageA(control, PBM_GETPOS, 0, 0));
    UniqueBitmap pattern(::LoadBitmapA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDB_BAR_PATTERN)));
    PaintProgressBar(dc, client, range.iLow, range.iHigh, position, pattern.get());
    ::EndPaint(control, &paint);
}

LRESULT CALLBACK ProgressProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR)
{
    switch (message) {
    case WM_PAINT:
        PaintControl(control);
        return 0;
    case WM_NCDESTROY:
        ::RemoveWindowSubclass(control, ProgressProc, kSubclassId);
        break;
    }
    return ::DefSubclassProc(control, message, wParam, lParam);
}

}  // namespace

void PaintProgressBar(HDC dc, const RECT& client, int lower, int upper, int position, HBITMAP pattern)
{
    UniqueBrush track(::CreateSolidBrush(kTrackColour));
    ::FillRect(dc, &client, track.get());
    const int filled = FilledWidth(client.right - client.left, lower, upper, position);
    if (filled == 0 || pattern == nullptr)
        return;
    UniqueBrush tile(::CreatePatternBrush(pattern));
    POINT previousOrigin;
    ::SetBrushOrgEx(dc, client.left, client.top, &previousOrigin);
    const RECT bar{client.left, client.top, client.left + filled, client.bottom};
    ::FillRect(dc, &bar, tile.get());
    ::SetBrushOrgEx(dc, previousOrigin.x, previousOrigin.y, nullptr);
}

bool CMyProgress::SubclassDlgItem(int id, HWND dialog)
{
    hwnd_ = ::GetDlgItem(dialog, id);
    return hwnd_ != nullptr && ::SetWindowSubclass(hwnd_, ProgressProc, kSubclassId, 0);
}
