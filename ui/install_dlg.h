// The welcome page of a first installation: Install leads to the options.
#pragma once

#include "system/handles.h"
#include "ui/dialog.h"

class CInstallDlg : public CDialog {
public:
    CInstallDlg();

protected:
    BOOL OnInitDialog() override;
    bool OnCommand(int id, int notifyCode) override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) override;

private:
    UniqueBitmap background;
};
