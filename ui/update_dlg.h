// The prompt shown when the server offers an optional update: the question is
// part of its picture; OK runs the update in the progress dialog.
#pragma once

#include "system/handles.h"
#include "ui/dialog.h"

class CUpdateDlg : public CDialog {
public:
    CUpdateDlg();

protected:
    BOOL OnInitDialog() override;
    bool OnCommand(int id, int notifyCode) override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) override;

private:
    UniqueBitmap background;
};
