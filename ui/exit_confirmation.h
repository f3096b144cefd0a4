#pragma once

// Asks "是否退出Pellisor安装？"; Yes ends the process at once with exit code 0,
// also while a worker is busy. No returns and changes nothing.
void ConfirmExit();
