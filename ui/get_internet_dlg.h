// The first window of a first installation: asks the bank's server for the
// latest version, then hosts the install wizard.
#pragma once

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
    int retriesLeft = 0;
    UniqueBitmap background;
};
