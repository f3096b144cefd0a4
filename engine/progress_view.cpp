#include "engine/progress_view.h"

#include <cstdarg>
#include <cstdio>
#include <vector>

void RefreshDialogItem(int id, HWND dialog)
{
    const HWND item = ::GetDlgItem(dialog, id);
    RECT area;
    if (item == nullptr || !::GetWindowRect(item, &area))
        return;
    ::MapWindowPoints(HWND_DESKTOP, dialog, reinterpret_cast<POINT*>(&area), 2);
    ::InvalidateRect(dialog, &area, TRUE);
    ::UpdateWindow(dialog);
}

void SetDialogItemText(HWND dialog, int id, const std::string& text)
{
    ::SetDlgItemTextA(dialog, id, text.c_str());
    RefreshDialogItem(id, dialog);
}

std::string FormatText(const char* format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    va_list measuring;
    va_copy(measuring, arguments);
    const int length = std::vsnprintf(nullptr, 0, format, measuring);
    va_end(measuring);
    std::string text;
    if (length > 0) {
        std::vector<char> buffer(static_cast<size_t>(length) + 1);
        std::vsnprintf(buffer.data(), buffer.size(), format, arguments);
        text.assign(buffer.data(), static_cast<size_t>(length));
    }
    va_end(arguments);
    return text;
}

std::string PercentText(double percent)
{
    return FormatText("%.2lf%%", percent);
}
