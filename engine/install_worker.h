// The thread that carries out one install, update or repair run.
#pragma once

#include <windows.h>

#include <string>

struct CUpdateContext;

// Thread procedure; the parameter is the progress dialog (CProgressDlg*), whose
// update context it takes over. Runs the steps in their fixed order and ends
// the process with exit code 0 after starting the assistant. Returns 0 when a
// step the run depends on fails; the dialog then stays open with its texts.
DWORD WINAPI InstallWorker(LPVOID progressDialog);

// Empties the staging folder; PurgeFolder's result. Reparse points in it are
// left alone, neither entered nor deleted; a folder that is one itself is not
// purged (0).
int PurgeStaging(const CUpdateContext& context);

// Deletes every file below `folder` and keeps the folders, names beginning
// with "." included. 1 when `folder` could be listed, else 0.
int PurgeFolder(const std::string& folder);
