// The choices of a first installation: where shortcuts go and the install
// folder. Next checks the folder and starts the installation.
#pragma once

#include "system/handles.h"
#include "ui/dialog.h"

class COptionDlg : public CDialog {
public:
    COptionDlg();

protected:
    BOOL OnInitDialog() override;
    bool OnCommand(int id, int notifyCode) override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) override;

private:
    void Next();
    void Back();
    void Browse();
    // Refuses with the dialog's message; the dialog stays open.
    void RefusePath();

    UniqueBitmap background;
};
