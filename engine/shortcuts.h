// The assistant's shortcuts on the desktop, in the start menu and in quick launch.
#pragma once

#include <windows.h>

// Makes, each when its install option is set, the all-users desktop shortcut,
// the start-menu group with the program's and the uninstaller's shortcuts, and
// the quick-launch shortcut; status texts go to the dialog. Failures are silent.
void CreateShortcuts(HWND dialog);
