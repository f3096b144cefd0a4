// The application object: all of the program's work happens inside InitInstance.
#pragma once

#include <windows.h>

#include "system/handles.h"

class CDownloaderApp {
public:
    // Always false: the process never runs a message loop of its own.
    BOOL InitInstance(const char* commandTail);

    // Registered instance-termination message; 0 until registered.
    UINT singleMsgId = 0;

private:
    // Held for the life of the process; the system releases it at exit.
    UniqueHandle instanceLock_;
};

extern CDownloaderApp theApp;
