// pellis-driver: drives the program's windows from inside the same Wine prefix,
// for the demo and for end-to-end scripts. Windows are found by title.
//
//   pellis_driver wait-window TITLE SECONDS   exit 0 when a visible top-level
//                                             window with that title exists
//   pellis_driver close-window TITLE          posts WM_CLOSE to it
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

HWND FindVisibleWindow(const std::string& title)
{
    HWND hwnd = ::FindWindowExA(nullptr, nullptr, nullptr, title.c_str());
    while (hwnd != nullptr && !::IsWindowVisible(hwnd))
        hwnd = ::FindWindowExA(nullptr, hwnd, nullptr, title.c_str());
    return hwnd;
}

int Usage()
{
    std::fprintf(stderr,
                 "usage: pellis_driver wait-window TITLE SECONDS\n"
                 "       pellis_driver close-window TITLE\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 3)
        return Usage();
    const std::string command = argv[1];
    const std::string title = argv[2];
    if (command == "wait-window" && argc == 4) {
        const DWORD limit = static_cast<DWORD>(std::atoi(argv[3])) * 1000;
        const DWORD start = ::GetTickCount();
        while (FindVisibleWindow(title) == nullptr) {
            if (::GetTickCount() - start > limit) {
                std::fprintf(stderr, "pellis_driver: no window \"%s\" after %s s\n", title.c_str(), argv[3]);
                return 1;
            }
            ::Sleep(200);
        }
        return 0;
    }
    if (command == "close-window" && argc == 3) {
        HWND hwnd = FindVisibleWindow(title);
        if (hwnd == nullptr)
            return 1;
        ::PostMessageA(hwnd, WM_CLOSE, 0, 0);
        return 0;
    }
    return Usage();
}
