// click_button: presses a button of a program's window from inside the same
// Wine prefix, for scripts that walk through the dialogs (screenshots).
//
//   click_button TITLE ID   posts a click of control ID to the visible
//                           top-level window with that title; exit 1 when
//                           there is no such window or control
#include <windows.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: click_button TITLE ID\n");
        return 2;
    }
    HWND window = ::FindWindowExA(nullptr, nullptr, nullptr, argv[1]);
    while (window != nullptr && !::IsWindowVisible(window))
        window = ::FindWindowExA(nullptr, window, nullptr, argv[1]);
    const int id = std::atoi(argv[2]);
    HWND button = window != nullptr ? ::GetDlgItem(window, id) : nullptr;
    if (button == nullptr)
        return 1;
    ::PostMessageA(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button));
    return 0;
}
