#include "ui/get_internet_dlg.h"

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
