#include "ui/exit_confirmation.h"

#include <windows.h>

#include "engine/config.h"
#include "system/support_log.h"

void ConfirmExit()
{
    if (::MessageBoxA(nullptr, "是否退出Pellisor安装？", editionInfo.downloaderTitle.c_str(),
                      MB_YESNO | MB_TOPMOST) == IDYES)
        EndRun("the user cancelled");
}
