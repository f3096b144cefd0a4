// The assistant's shortcuts on the desktop, in the start menu and in quick launch.
#pragma once

#include <windows.h>

// Placeholder until the shortcut step exists: creates nothing.
inline void CreateShortcuts(HWND) {}
