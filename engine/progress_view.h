// The one way engine code touches the progress dialog: texts of its controls,
// repaints of a control's area, and (through the handles in the update
// context) progress-bar messages. Any window with children of the dialog's
// control ids can stand in for it.
#pragma once

#include <windows.h>

#include <string>

// Invalidates, with background erase, the part of `dialog` under its child
// `id` and repaints the dialog at once. The texts sit transparently on the
// dialog's painted background, so a new text needs the background under it.
void RefreshDialogItem(int id, HWND dialog);

// Sets the text of child `id` and refreshes its area.
void SetDialogItemText(HWND dialog, int id, const std::string& text);

// printf-style formatting of a text for the dialog.
std::string FormatText(const char* format, ...) __attribute__((format(printf, 1, 2)));

// "%.2lf%%" of `percent` ("37.50%").
std::string PercentText(double percent);
