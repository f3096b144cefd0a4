// Finding top-level windows with any test, for the Windows tests.
#pragma once

#include <windows.h>

#include "tests/support/wait_until.h"

namespace window_search {

template <typename Accept>
struct Search {
    Accept& accept;
    HWND found;
};

// EnumWindows wants a stdcall function, which a lambda does not convert to.
template <typename Accept>
BOOL CALLBACK Visit(HWND window, LPARAM parameter)
{
    auto* search = reinterpret_cast<Search<Accept>*>(parameter);
    if (!search->accept(window))
        return TRUE;
    search->found = window;
    return FALSE;
}

}  // namespace window_search

// The first top-level window that `accept` (any callable taking an HWND) takes, or null.
template <typename Accept>
HWND FindTopWindow(Accept accept)
{
    window_search::Search<Accept> search{accept, nullptr};
    ::EnumWindows(window_search::Visit<Accept>, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// The same, looked for every `pollMs` until `ms` have passed (0: look once); null then.
template <typename Accept>
HWND WaitForTopWindow(Accept accept, DWORD ms, DWORD pollMs = 50)
{
    HWND found = nullptr;
    WaitUntil([&] { return (found = FindTopWindow(accept)) != nullptr; }, ms, pollMs);
    return found;
}

// A visible window owned by `owner` (a question a dialog asks), or null after `ms`.
inline HWND WaitForOwnedWindow(HWND owner, DWORD ms)
{
    return WaitForTopWindow(
        [&](HWND window) { return ::IsWindowVisible(window) && ::GetWindow(window, GW_OWNER) == owner; }, ms);
}
