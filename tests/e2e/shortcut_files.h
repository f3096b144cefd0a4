// The shortcuts a run makes, where the tests look for them and what they point
// at. The configuration records must be set up (SetupEdition).
#pragma once

#include <string>

std::string DesktopShortcut();
std::string StartMenuGroup();
std::string QuickLaunchFolder();
std::string QuickLaunchShortcut();

// Makes the current user's quick-launch folder, as a system with the bar has
// it: a Wine prefix has none, and the program does not make it.
void MakeQuickLaunchFolder();

// The target a shortcut file holds, read by the shell's own link object;
// "(unreadable)" for a missing or broken file.
std::string ShortcutTarget(const std::string& linkPath);
