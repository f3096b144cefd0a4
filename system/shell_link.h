// Shortcut files through the shell-link component.
#pragma once

#include <windows.h>
#include <shlobj.h>

#include <string>

// Creates or overwrites folder + "\" + linkName pointing at `target`, with no
// arguments, working folder, icon or description. COM must be initialised on
// the calling thread. True when the file was saved.
bool CreateShortcut(const std::string& target, const std::string& folder, const std::string& linkName);

// The file-system path of `itemList` + "\Microsoft\Internet Explorer\Quick Launch".
// Frees the item list. False when its path cannot be obtained.
bool GetQuickLaunchFolder(LPITEMIDLIST itemList, std::string* path);

// Tells the shell that `folder` was created and that its parent changed.
void NotifyFolderCreated(const std::string& folder);
