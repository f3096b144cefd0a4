#include "ui/window_globals.h"

CProgressDlg* progressDialog = nullptr;
RECT dialogRect{};
CDialog* wizardDialog = nullptr;
