#include "ui/window_globals.h"

RECT dialogRect{};
