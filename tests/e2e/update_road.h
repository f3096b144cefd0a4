// The installation an update run starts from, what the run may change, and
// the program's windows on the way: shared by the update and fault tests.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "tests/support/program_runner.h"

inline constexpr char kInstallFolder[] = "C:\\Program Files (x86)\\Aldmoor\\Pellisor";
inline constexpr char kOldVersion[] = "1.0.0.1";
inline constexpr char kNewVersion[] = "1.0.0.3";
inline constexpr char kDownloadPath[] = "/download/811/";
inline constexpr char kProductKey[] = "Software\\Quillon\\WebUI\\KORVA\\811";
inline constexpr char kUninstallRoot[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
inline constexpr char kRunKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
inline constexpr char kCancelQuestion[] = "下载还未完成，确定取消？";
inline constexpr char kNoValue[] = "(none)";
inline constexpr DWORD kWindowLimitMs = 60000;

// Where make-update-releases.sh published, as a Windows path.
std::string Release(const std::string& relative);
std::string Installed(const std::string& relative);
// The file's bytes, or `missing`.
std::string ReadOr(const std::string& path, const char* missing);

// A value of HKLM's `keyPath` in that registry view, or kNoValue.
std::string ReadText(const std::string& keyPath, REGSAM view, const std::string& name);
std::string InstalledVersion();

bool IsProgressDialog(HWND window);
bool IsUpdatePrompt(HWND window);
bool IsCancelQuestion(HWND window);

// What the progress dialog shows.
struct Shown {
    std::string status;
    std::string button;
};

// Clicks Cancel until the dialog closes without a question and the process
// ends with 0, declining the question while the worker is still busy; `shown`
// is what the dialog showed right before the closing click. False when that
// never happens.
bool CancelAfterTheWorkerGaveUp(const RunningProgram& program, HWND dialog, Shown* shown);

// Paths below the download area of every file request, "\" and %5C read as "/".
std::vector<std::string> DownloadRequests();
