#include "ui/progress_dlg.h"

#include "engine/config.h"
#include "engine/handover.h"
#include "engine/install_worker.h"
#include "engine/run_mode.h"
#include "engine/update_context.h"
#include "res/resource.h"
#include "system/support_log.h"
#include "ui/skin.h"
#include "ui/window_globals.h"

namespace {

constexpr UINT_PTR kPictureTimer = 1;
constexpr UINT kPictureSwitchMs = 4000;

bool IsTextOverPicture(int id)
{
    return id == IDC_STATUS_TEXT || id == IDC_FILE_PERCENT || id == IDC_OVERALL_PERCENT || id == IDC_STATIC;
}

}  // namespace

CProgressDlg::CProgressDlg(RunMode runMode) : CDialog(IDD_PROGRESS), runMode(runMode) {}

BOOL CProgressDlg::OnInitDialog()
{
    HWND dialog = GetSafeHwnd();
    ApplyDialogFrame(dialog);
    fileBar.SubclassDlgItem(IDC_FILE_BAR, dialog);
    overallBar.SubclassDlgItem(IDC_OVERALL_BAR, dialog);

    // Handed to the worker, which deletes it after its registry step.
    context = new CUpdateContext(dialog, editionInfo.groupCode, runMode, installInfo.downloadUrl,
                                 installInfo.updateMode, installInfo.serverVersion, installInfo.installPath);
    NotifyRunningAssistant(*context);

    showingAltPicture = 0;
    ::SetDlgItemTextA(dialog, IDC_OVERALL_PERCENT, "0%");
    LoadPngResource(&background, editionInfo.progressBackgroundId);

    // Nobody waits for the worker: it ends the process itself, or gives up
    // and leaves the dialog to the user.
    UniqueHandle worker(::CreateThread(nullptr, 0, InstallWorker, this, 0, nullptr));

    ::SetTimer(dialog, kPictureTimer, kPictureSwitchMs, nullptr);
    // Shown here in every mode: a forced update's hand-over hid the dialog.
    ShowTopmostAt(dialog, Origin());
    return TRUE;
}

POINT CProgressDlg::Origin() const
{
    if (runMode == kRunModeInstall)
        return POINT{dialogRect.left, dialogRect.top};
    RECT client;
    ::GetClientRect(GetSafeHwnd(), &client);
    return ScreenCentreOrigin(client.right, client.bottom);
}

bool CProgressDlg::OnCommand(int id, int notifyCode)
{
    if (id != IDCANCEL || notifyCode != BN_CLICKED)
        return CDialog::OnCommand(id, notifyCode);
    const bool busy = workerDone == 0;
    if (busy && ::MessageBoxA(GetSafeHwnd(), "下载还未完成，确定取消？", editionInfo.downloaderTitle.c_str(),
                              MB_YESNO) != IDYES)
        return true;
    // Ended here, as every other exit ends: returning from the dialog would
    // unwind the program and run its static destructors (the download
    // session, the log's lock) under the worker and its downloads, and leave
    // the worker writing into this dialog once it is gone.
    EndRun(busy ? "the user cancelled the run" : "the user closed the progress dialog");
}

void CProgressDlg::ShowNextPicture()
{
    showingAltPicture = showingAltPicture == 0 ? 1 : 0;
    LoadPngResource(&background,
                    showingAltPicture != 0 ? editionInfo.progressBackgroundAltId : editionInfo.progressBackgroundId);
    ::InvalidateRect(GetSafeHwnd(), nullptr, TRUE);
}

bool CProgressDlg::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result)
{
    switch (message) {
    case WM_PAINT:
        PaintBackground(GetSafeHwnd(), background.get());
        return true;
    case WM_TIMER:
        if (wParam != kPictureTimer)
            return false;
        ShowNextPicture();
        return true;
    case WM_MOVING:
        SaveDialogRect(GetSafeHwnd());
        return false;
    case WM_CTLCOLORSTATIC:
        if (!IsTextOverPicture(::GetDlgCtrlID(reinterpret_cast<HWND>(lParam))))
            return false;
        *result = reinterpret_cast<INT_PTR>(ColorTextOverPicture(reinterpret_cast<HDC>(wParam)));
        return true;
    }
    return false;
}
