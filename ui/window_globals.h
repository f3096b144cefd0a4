// Window state shared by the wizard dialogs.
#pragma once

#include <windows.h>

// Last screen rectangle of a moved wizard dialog; the next one opens there.
extern RECT dialogRect;
