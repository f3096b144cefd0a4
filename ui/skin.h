// The look every wizard dialog shares.
#pragma once

#include <windows.h>

// The opening steps common to all wizard dialogs: the inert "about" item in the
// system menu, the edition's icon as big and small window icon, and the
// edition's title.
void ApplyDialogFrame(HWND dialog);
