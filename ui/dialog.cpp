#include "ui/dialog.h"

#include "app/downloader_app.h"
#include "system/support_log.h"

INT_PTR CDialog::DoModal(HWND parent)
{
    return ::DialogBoxParamA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(templateId_), parent, DialogProc,
                             reinterpret_cast<LPARAM>(this));
}

void CDialog::EndDialog(INT_PTR result)
{
    ::EndDialog(hwnd_, result);
}

bool CDialog::OnCommand(int id, int notifyCode)
{
    if (notifyCode == BN_CLICKED && (id == IDOK || id == IDCANCEL)) {
        EndDialog(id);
        return true;
    }
    return false;
}

bool CDialog::OnMessage(UINT, WPARAM, LPARAM, INT_PTR*)
{
    return false;
}

INT_PTR CALLBACK CDialog::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    // Another copy started with "-t" asks every running instance to go away at
    // once, whatever it is doing: no question, no clean-up.
    if (message != 0 && message == theApp.singleMsgId && wParam == 1)
        EndRun("another copy started with -t asked this one to end");

    CDialog* dialog;
    if (message == WM_INITDIALOG) {
        dialog = reinterpret_cast<CDialog*>(lParam);
        dialog->hwnd_ = hwnd;
        ::SetWindowLongPtrA(hwnd, DWLP_USER, lParam);
    } else {
        dialog = reinterpret_cast<CDialog*>(::GetWindowLongPtrA(hwnd, DWLP_USER));
    }
    return dialog != nullptr ? dialog->Dispatch(message, wParam, lParam) : FALSE;
}

INT_PTR CDialog::Dispatch(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG)
        return OnInitDialog();
    if (message == WM_COMMAND)
        return OnCommand(LOWORD(wParam), HIWORD(wParam)) ? TRUE : FALSE;
    INT_PTR result = 0;
    if (!OnMessage(message, wParam, lParam, &result))
        return FALSE;
    // Messages whose answer is a value (colour queries and the like) return it
    // directly; for the others the dialog manager reads DWLP_MSGRESULT.
    ::SetWindowLongPtrA(hwnd_, DWLP_MSGRESULT, result);
    return result != 0 ? result : TRUE;
}
