#include "tests/win/dialog_host.h"

#include <commctrl.h>

#include "res/resource.h"

namespace {

const char kClassName[] = "PellisDialogHost";

struct Child {
    const char* className;
    int id;
    int top;
};

const Child kChildren[] = {
    {"STATIC", IDC_STATUS_TEXT, 10},   {PROGRESS_CLASSA, IDC_FILE_BAR, 40},  {"STATIC", IDC_FILE_PERCENT, 70},
    {PROGRESS_CLASSA, IDC_OVERALL_BAR, 100}, {"STATIC", IDC_OVERALL_PERCENT, 130}, {"BUTTON", IDCANCEL, 160},
};

void RegisterHostClass()
{
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = ::DefWindowProcA;
    windowClass.hInstance = ::GetModuleHandleA(nullptr);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = kClassName;
    ::RegisterClassA(&windowClass);  // fails harmlessly once registered
}

}  // namespace

DialogHost::DialogHost()
{
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS};
    ::InitCommonControlsEx(&controls);
    RegisterHostClass();
    window_ = ::CreateWindowExA(0, kClassName, "progress", WS_OVERLAPPEDWINDOW, 0, 0, 400, 240, nullptr, nullptr,
                                ::GetModuleHandleA(nullptr), nullptr);
    for (const Child& child : kChildren) {
        ::CreateWindowExA(0, child.className, "", WS_CHILD | WS_VISIBLE, 10, child.top, 360, 24, window_,
                          reinterpret_cast<HMENU>(static_cast<INT_PTR>(child.id)), ::GetModuleHandleA(nullptr),
                          nullptr);
    }
}

DialogHost::~DialogHost()
{
    ::DestroyWindow(window_);
}

std::string DialogHost::Text(int id) const
{
    char text[512] = {};
    ::GetDlgItemTextA(window_, id, text, sizeof text);
    return text;
}

int DialogHost::BarPosition(int id) const
{
    return static_cast<int>(::SendDlgItemMessageA(window_, id, PBM_GETPOS, 0, 0));
}

int DialogHost::BarUpper(int id) const
{
    return static_cast<int>(::SendDlgItemMessageA(window_, id, PBM_GETRANGE, FALSE, 0));
}
