// The window of every install, update and repair run: it creates the run's
// context, starts the install worker and shows what the worker reports. Only
// Cancel is the user's; a successful run ends the process from the worker.
#pragma once

#include <atomic>

#include "engine/run_mode.h"
#include "system/handles.h"
#include "ui/dialog.h"
#include "ui/my_progress.h"

struct CUpdateContext;

class CProgressDlg : public CDialog {
public:
    explicit CProgressDlg(RunMode runMode);

    std::atomic<int> workerDone{0};     // written by the worker, read by Cancel
    CUpdateContext* context = nullptr;  // created in OnInitDialog, destroyed by the worker

protected:
    BOOL OnInitDialog() override;
    bool OnCommand(int id, int notifyCode) override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) override;

private:
    void ShowNextPicture();
    POINT Origin() const;

    RunMode runMode;
    int showingAltPicture = 0;
    UniqueBitmap background;
    CMyProgress fileBar;
    CMyProgress overallBar;
};
