#include "ui/get_internet_dlg.h"

#include "app/config.h"
#include "res/resource.h"
#include "ui/exit_confirmation.h"
#include "ui/skin.h"

namespace {

constexpr int kRetries = 2;

}  // namespace

CGetInternetDlg::CGetInternetDlg() : CDialog(IDD_QUERY) {}

BOOL CGetInternetDlg::OnInitDialog()
{
    ApplyDialogFrame(GetSafeHwnd());
    ::ShowWindow(GetDlgItem(IDC_QUERY_RETRY), SW_HIDE);
    retriesLeft = kRetries;
    LoadPngResource(&background, editionInfo.queryBackgroundId);
    // Placeholder: the query worker arrives with the request channel; until
    // then the dialog stays in its "querying" look and only Cancel leads on.
    return TRUE;
}

bool CGetInternetDlg::OnCommand(int id, int notifyCode)
{
    if (id == IDCANCEL && notifyCode == BN_CLICKED) {
        ConfirmExit();
        return true;
    }
    return false;
}

bool CGetInternetDlg::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result)
{
    switch (message) {
    case WM_PAINT:
        PaintBackground(GetSafeHwnd(), background.get());
        return true;
    case WM_MOVE:
    case WM_MOVING:
        SaveDialogRect(GetSafeHwnd());
        return false;
    case WM_CTLCOLORSTATIC:
        if (::GetDlgCtrlID(reinterpret_cast<HWND>(lParam)) != IDC_QUERY_STATUS)
            return false;
        *result = reinterpret_cast<INT_PTR>(ColorTextOverPicture(reinterpret_cast<HDC>(wParam)));
        return true;
    }
    return false;
}
