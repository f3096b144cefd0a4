// The dialog base of the wizard: a modal dialog from a resource template whose
// window procedure dispatches to virtual handlers. Every dialog of the program
// derives from it, so every one ends the process on the instance-termination
// message before any other handling.
#pragma once

#include <windows.h>

class CDialog {
public:
    explicit CDialog(int templateId) : templateId_(templateId) {}
    virtual ~CDialog() = default;
    CDialog(const CDialog&) = delete;
    CDialog& operator=(const CDialog&) = delete;

    // Runs the dialog's modal loop on the calling thread; returns what EndDialog got.
    INT_PTR DoModal(HWND parent = nullptr);
    void EndDialog(INT_PTR result);

    HWND GetSafeHwnd() const { return hwnd_; }
    HWND GetDlgItem(int id) const { return ::GetDlgItem(hwnd_, id); }

protected:
    virtual BOOL OnInitDialog() { return TRUE; }
    // Control notifications and menu commands. Returns true when handled.
    virtual bool OnCommand(int id, int notifyCode);
    // Every other message. Returns true when handled and sets *result.
    virtual bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result);

private:
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR Dispatch(UINT message, WPARAM wParam, LPARAM lParam);

    int templateId_;
    HWND hwnd_ = nullptr;
};
