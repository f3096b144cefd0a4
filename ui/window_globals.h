// Window state shared by the wizard dialogs.
#pragma once

#include <windows.h>

class CProgressDlg;

// The progress dialog while it runs; progress output of the engine goes to it.
extern CProgressDlg* progressDialog;

// Last screen rectangle of a moved wizard dialog; the next one opens there.
extern RECT dialogRect;

class CDialog;

// The wizard dialog shown last (install or options dialog).
extern CDialog* wizardDialog;
