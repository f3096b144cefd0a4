// The first window of a first installation: asks the bank's server for the
// latest version, then hosts the install wizard.
#pragma once

#include "ui/dialog.h"

class CGetInternetDlg : public CDialog {
public:
    CGetInternetDlg();

protected:
    BOOL OnInitDialog() override;
    bool OnCommand(int id, int notifyCode) override;

private:
    int retriesLeft = 0;
};
