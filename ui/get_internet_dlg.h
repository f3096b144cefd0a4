// The first window of a first installation: asks the bank's server for the
// latest version, then hosts the install wizard.
#pragma once

#include <atomic>

#include "system/handles.h"
#include "ui/dialog.h"

class CGetInternetDlg : public CDialog {
public:
    CGetInternetDlg();

protected:
    BOOL OnInitDialog() override;
    bool OnCommand(int id, int notifyCode) override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) override;

private:
    // One query, then the whole wizard on the same thread.
    static DWORD WINAPI QueryWorker(LPVOID dialog);
    void StartWorker();
    void ShowRetry(bool shown);

    // Read by the worker, written by the Retry click on the dialog's thread.
    std::atomic<int> retriesLeft{0};
    UniqueBitmap background;
};
