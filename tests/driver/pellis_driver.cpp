// pellis-driver: drives the program's windows from inside the same Wine prefix,
// for the demo and for end-to-end scripts. Windows are found by title; the
// wizard's dialogs all share one title, so the commands that act on a control
// take the first visible window with that title that has the control.
//
//   pellis_driver wait-window TITLE SECONDS   exit 0 when a visible top-level
//                                             window with that title exists
//   pellis_driver close-window TITLE          posts WM_CLOSE to it
//   pellis_driver wait TITLE SECONDS ID [!ID]...
//                                             exit 0 when a visible window with
//                                             that title has every control ID and
//                                             none of the !ID ones
//   pellis_driver wait-gone TITLE SECONDS     exit 0 when no visible window with
//                                             that title is left
//   pellis_driver click TITLE ID              clicks control ID (as its button
//                                             would: WM_COMMAND to the dialog)
//   pellis_driver text TITLE ID               prints control ID's text (UTF-8)
//
// Titles are taken as Unicode from the command line, so they do not depend on
// the prefix's code page.
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

namespace {

constexpr DWORD kPollMs = 200;

struct Condition {
    int id;
    bool present;
};

struct Search {
    const std::wstring* title;
    const std::vector<Condition>* conditions;
    HWND found;
};

bool Matches(HWND window, const std::vector<Condition>& conditions)
{
    for (const Condition& condition : conditions) {
        if ((::GetDlgItem(window, condition.id) != nullptr) != condition.present)
            return false;
    }
    return true;
}

BOOL CALLBACK MatchWindow(HWND window, LPARAM parameter)
{
    auto* search = reinterpret_cast<Search*>(parameter);
    wchar_t title[512] = {};
    ::GetWindowTextW(window, title, 512);
    if (::IsWindowVisible(window) && *search->title == title && Matches(window, *search->conditions)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

HWND FindVisibleWindow(const std::wstring& title, const std::vector<Condition>& conditions = {})
{
    Search search{&title, &conditions, nullptr};
    ::EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Polls `done` until it holds or `seconds` have passed.
template <typename Done>
bool WaitFor(const wchar_t* seconds, Done done)
{
    const DWORD limit = static_cast<DWORD>(std::wcstoul(seconds, nullptr, 10)) * 1000;
    const DWORD start = ::GetTickCount();
    while (!done()) {
        if (::GetTickCount() - start > limit)
            return false;
        ::Sleep(kPollMs);
    }
    return true;
}

std::string Utf8Of(const std::wstring& text)
{
    std::string utf8(text.size() * 3 + 1, '\0');
    utf8.resize(::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), &utf8[0],
                                      static_cast<int>(utf8.size()), nullptr, nullptr));
    return utf8;
}

int ControlId(const wchar_t* text)
{
    return static_cast<int>(std::wcstol(text, nullptr, 10));
}

int Usage()
{
    std::fprintf(stderr,
                 "usage: pellis_driver wait-window TITLE SECONDS\n"
                 "       pellis_driver close-window TITLE\n"
                 "       pellis_driver wait TITLE SECONDS ID [!ID]...\n"
                 "       pellis_driver wait-gone TITLE SECONDS\n"
                 "       pellis_driver click TITLE ID\n"
                 "       pellis_driver text TITLE ID\n");
    return 2;
}

int Run(int argc, wchar_t** argv)
{
    if (argc < 3)
        return Usage();
    const std::wstring command = argv[1];
    const std::wstring title = argv[2];
    const std::string shownTitle = Utf8Of(title);
    if (command == L"wait-window" && argc == 4) {
        if (WaitFor(argv[3], [&] { return FindVisibleWindow(title) != nullptr; }))
            return 0;
        std::fprintf(stderr, "pellis_driver: no window \"%s\"\n", shownTitle.c_str());
        return 1;
    }
    if (command == L"wait" && argc >= 5) {
        std::vector<Condition> conditions;
        for (int at = 4; at < argc; ++at)
            conditions.push_back(argv[at][0] == L'!' ? Condition{ControlId(argv[at] + 1), false}
                                                     : Condition{ControlId(argv[at]), true});
        if (WaitFor(argv[3], [&] { return FindVisibleWindow(title, conditions) != nullptr; }))
            return 0;
        std::fprintf(stderr, "pellis_driver: no such window \"%s\"\n", shownTitle.c_str());
        return 1;
    }
    if (command == L"wait-gone" && argc == 4) {
        if (WaitFor(argv[3], [&] { return FindVisibleWindow(title) == nullptr; }))
            return 0;
        std::fprintf(stderr, "pellis_driver: \"%s\" still shown\n", shownTitle.c_str());
        return 1;
    }
    if (command == L"close-window" && argc == 3) {
        HWND window = FindVisibleWindow(title);
        if (window == nullptr)
            return 1;
        ::PostMessageW(window, WM_CLOSE, 0, 0);
        return 0;
    }
    if ((command == L"click" || command == L"text") && argc == 4) {
        const int id = ControlId(argv[3]);
        HWND window = FindVisibleWindow(title, {{id, true}});
        if (window == nullptr) {
            std::fprintf(stderr, "pellis_driver: no window \"%s\" with control %d\n", shownTitle.c_str(), id);
            return 1;
        }
        if (command == L"click") {
            ::PostMessageW(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                           reinterpret_cast<LPARAM>(::GetDlgItem(window, id)));
            return 0;
        }
        wchar_t text[1024] = {};
        ::GetDlgItemTextW(window, id, text, 1024);
        std::printf("%s\n", Utf8Of(text).c_str());
        return 0;
    }
    return Usage();
}

}  // namespace

int main()
{
    int argc = 0;
    wchar_t** argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
    if (argv == nullptr)
        return Usage();
    const int result = Run(argc, argv);
    ::LocalFree(argv);
    return result;
}
