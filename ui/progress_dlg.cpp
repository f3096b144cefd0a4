#include "ui/progress_dlg.h"

void RunProgressDialog(int) {}
