#include "ui/skin.h"

#include "app/config.h"
#include "res/resource.h"

void ApplyDialogFrame(HWND dialog)
{
    HINSTANCE module = ::GetModuleHandleA(nullptr);
    char aboutText[128];
    HMENU systemMenu = ::GetSystemMenu(dialog, FALSE);
    if (systemMenu != nullptr && ::LoadStringA(module, IDS_ABOUTBOX, aboutText, sizeof aboutText) > 0) {
        ::AppendMenuA(systemMenu, MF_SEPARATOR, 0, nullptr);
        ::AppendMenuA(systemMenu, MF_STRING, IDM_ABOUTBOX, aboutText);
    }

    // Shared icons are owned by the system; nothing to release.
    HICON icon = static_cast<HICON>(::LoadImageA(module, MAKEINTRESOURCEA(editionInfo.iconId), IMAGE_ICON, 0, 0,
                                                 LR_DEFAULTSIZE | LR_SHARED));
    ::SendMessageA(dialog, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    ::SendMessageA(dialog, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));

    ::SetWindowTextA(dialog, editionInfo.downloaderTitle.c_str());
}
