#include "ui/update_dlg.h"

void RunUpdatePrompt(CDownloaderApp&) {}
