#include "ui/update_dlg.h"

#include "engine/config.h"
#include "engine/run_mode.h"
#include "res/resource.h"
#include "system/process_utils.h"
#include "ui/progress_dlg.h"
#include "ui/skin.h"

CUpdateDlg::CUpdateDlg() : CDialog(IDD_UPDATE) {}

BOOL CUpdateDlg::OnInitDialog()
{
    HWND dialog = GetSafeHwnd();
    ApplyDialogFrame(dialog);
    LoadPngResource(&background, editionInfo.updateBackgroundId);
    // Centred by its outer size, wherever an earlier dialog was moved to.
    RECT window;
    ::GetWindowRect(dialog, &window);
    ShowTopmostAt(dialog, ScreenCentreOrigin(window.right - window.left, window.bottom - window.top));
    return TRUE;
}

bool CUpdateDlg::OnCommand(int id, int notifyCode)
{
    if (id != IDOK || notifyCode != BN_CLICKED)
        return CDialog::OnCommand(id, notifyCode);
    // The browser holds the assistant's files; it goes only with the user's consent.
    DWORD browser = 0;
    if (FindProcess(&browser)) {
        if (::MessageBoxA(GetSafeHwnd(), "安装过程中需关闭IE浏览器，是否继续？", editionInfo.productName.c_str(),
                          MB_YESNO) != IDYES)
            return true;
        KillProcess(browser);
    }
    ::ShowWindow(GetSafeHwnd(), SW_HIDE);
    CProgressDlg(kRunModeUpdate).DoModal();
    EndDialog(IDCANCEL);
    return true;
}

bool CUpdateDlg::OnMessage(UINT message, WPARAM, LPARAM, INT_PTR*)
{
    switch (message) {
    case WM_PAINT:
        PaintBackground(GetSafeHwnd(), background.get());
        return true;
    case WM_MOVE:
    case WM_MOVING:
        SaveDialogRect(GetSafeHwnd());
        return false;
    }
    return false;
}
