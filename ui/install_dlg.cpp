#include "ui/install_dlg.h"

#include "engine/config.h"
#include "res/resource.h"
#include "ui/exit_confirmation.h"
#include "ui/option_dlg.h"
#include "ui/skin.h"
#include "ui/window_globals.h"

CInstallDlg::CInstallDlg() : CDialog(IDD_INSTALL) {}

BOOL CInstallDlg::OnInitDialog()
{
    HWND dialog = GetSafeHwnd();
    ApplyDialogFrame(dialog);
    LoadPngResource(&background, editionInfo.installBackgroundId);
    ShowTopmostAt(dialog, POINT{dialogRect.left, dialogRect.top});
    return TRUE;
}

bool CInstallDlg::OnCommand(int id, int notifyCode)
{
    if (notifyCode != BN_CLICKED)
        return false;
    if (id == IDCANCEL) {
        ConfirmExit();
        return true;
    }
    if (id == IDOK) {
        COptionDlg options;
        ::ShowWindow(GetSafeHwnd(), SW_HIDE);
        options.DoModal();
        EndDialog(IDCANCEL);
        return true;
    }
    return false;
}

bool CInstallDlg::OnMessage(UINT message, WPARAM, LPARAM, INT_PTR*)
{
    switch (message) {
    case WM_PAINT:
        PaintBackground(GetSafeHwnd(), background.get());
        return true;
    case WM_MOVING:
        SaveDialogRect(GetSafeHwnd());
        return false;
    }
    return false;
}
