// The older generation of the assistant that a first installation replaces.
#pragma once

#include <windows.h>

// Placeholder until the removal step exists: removes nothing.
inline bool RemoveOldGeneration(HWND)
{
    return true;
}
