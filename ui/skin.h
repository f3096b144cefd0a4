// The look every wizard dialog shares: frame, pictures, placement.
#pragma once

#include <windows.h>

#include "system/handles.h"

// The opening steps common to all wizard dialogs: the inert "about" item in the
// system menu, the edition's icon as big and small window icon, and the
// edition's title.
void ApplyDialogFrame(HWND dialog);

// Decodes the "PNG" resource `resourceId` of the program into `image`,
// releasing what `image` held before. False when the resource is missing or
// cannot be loaded; true otherwise, also when decoding failed (`image` is then
// empty).
bool LoadPngResource(UniqueBitmap* image, int resourceId);

// The WM_PAINT reaction of a wizard dialog: the whole picture stretched over
// the whole client area. Without a picture the dialog's face colour stays.
void PaintBackground(HWND dialog, HBITMAP background);

// Remembers where the dialog is now, so the next wizard dialog opens there.
void SaveDialogRect(HWND dialog);

// The answer to WM_CTLCOLORSTATIC for a text drawn over the picture: no
// background, text in a colour readable on the pictures' light fields.
HBRUSH ColorTextOverPicture(HDC dc);

// Top-left corner that centres a rectangle of that size on the primary screen.
POINT ScreenCentreOrigin(int width, int height);

// Top-left corner that centres a rectangle of that size in `area`; one larger
// than the area keeps its top-left corner (and so its title bar) inside it.
POINT CentreOrigin(const RECT& area, int width, int height);

// Places the dialog, keeping its size and place in the z-order, centred on the
// primary screen's work area: the screen less the taskbar and docked bars.
void CentreOnWorkArea(HWND dialog);

// Shows the dialog at that place, above all other windows, keeping its size.
void ShowTopmostAt(HWND dialog, POINT origin);
