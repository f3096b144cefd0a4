#include "ui/get_internet_dlg.h"

#include "engine/config.h"
#include "engine/progress_view.h"
#include "protocol/request_channel.h"
#include "res/resource.h"
#include "ui/exit_confirmation.h"
#include "ui/install_dlg.h"
#include "ui/skin.h"

namespace {

constexpr int kRetries = 2;
constexpr int kQueryAttempts = 1;
constexpr DWORD kPauseBeforeWizardMs = 500;
const char kQueryingText[] = "正在获取版本信息...";
const char kNoAnswerText[] = "服务器没响应";

// The worker's way to end the dialog: EndDialog belongs to the dialog's own
// thread, whose modal loop then returns.
constexpr UINT kEndQueryMessage = WM_APP + 1;

}  // namespace

CGetInternetDlg::CGetInternetDlg() : CDialog(IDD_QUERY) {}

BOOL CGetInternetDlg::OnInitDialog()
{
    ApplyDialogFrame(GetSafeHwnd());
    // The template places the first window a customer sees in the screen's
    // corner. Centred, and through WM_MOVE in dialogRect, where the install
    // and options dialogs then open.
    CentreOnWorkArea(GetSafeHwnd());
    ShowRetry(false);
    retriesLeft = kRetries;
    LoadPngResource(&background, editionInfo.queryBackgroundId);
    StartWorker();
    return TRUE;
}

void CGetInternetDlg::StartWorker()
{
    UniqueHandle worker(::CreateThread(nullptr, 0, QueryWorker, this, 0, nullptr));
}

void CGetInternetDlg::ShowRetry(bool shown)
{
    ::ShowWindow(GetDlgItem(IDC_QUERY_RETRY), shown ? SW_SHOW : SW_HIDE);
}

DWORD WINAPI CGetInternetDlg::QueryWorker(LPVOID parameter)
{
    auto* dialog = static_cast<CGetInternetDlg*>(parameter);
    HWND window = dialog->GetSafeHwnd();
    dialog->ShowRetry(false);
    SetDialogItemText(window, IDC_QUERY_STATUS, kQueryingText);

    VersionAnswer answer;
    switch (RunVersionQuery(serverInfo, editionInfo.bankId, kQueryAttempts, &answer)) {
    case QueryOutcome::NoAnswer:
        dialog->ShowRetry(dialog->retriesLeft != 0);
        SetDialogItemText(window, IDC_QUERY_STATUS, kNoAnswerText);
        return 0;
    case QueryOutcome::CannotOpen:
    case QueryOutcome::Malformed:
        // Nothing the user could retry helps against a garbled answer: only Cancel leads on.
        return 0;
    case QueryOutcome::Answered:
        break;
    }
    installInfo.serverVersion = answer.version;
    installInfo.downloadUrl = answer.downloadUrl;

    ::Sleep(kPauseBeforeWizardMs);
    ::ShowWindow(window, SW_HIDE);
    CInstallDlg().DoModal();
    ::PostMessageA(window, kEndQueryMessage, 0, 0);
    return 0;
}

bool CGetInternetDlg::OnCommand(int id, int notifyCode)
{
    if (notifyCode != BN_CLICKED)
        return false;
    if (id == IDCANCEL) {
        ConfirmExit();
        return true;
    }
    if (id == IDC_QUERY_RETRY) {
        // A second click queued before the new worker hid the button finds it
        // hidden already and starts nothing: one worker at a time.
        HWND retry = GetDlgItem(IDC_QUERY_RETRY);
        if (!::IsWindowVisible(retry))
            return true;
        ShowRetry(false);
        --retriesLeft;
        StartWorker();
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
    case kEndQueryMessage:
        EndDialog(0);
        return true;
    }
    return false;
}
