// Waiting for something another process does, with a deadline, for the
// Windows tests.
#pragma once

#include <windows.h>

// Asks `done` until it answers true or `ms` have passed, sleeping `pollMs`
// between asks; whether it answered true. It is asked before each look at the
// clock, so a wait of 0 asks once.
template <typename Predicate>
bool WaitUntil(Predicate done, DWORD ms, DWORD pollMs = 50)
{
    const DWORD start = ::GetTickCount();
    for (;;) {
        if (done())
            return true;
        if (::GetTickCount() - start >= ms)
            return false;
        ::Sleep(pollMs);
    }
}
