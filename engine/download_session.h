// The one WinINet session every download of the process goes through. A run
// is one process, so its manifests, signatures and files share the session,
// and WinINet can keep a finished download's connection for the next request
// to the same host: a session per file opened a connection (and over https a
// tunnel and a handshake) for every file.
#pragma once

#include <windows.h>
#include <wininet.h>

// Opened on first use, from any thread, and kept until the process ends;
// null when WinINet cannot open one.
HINTERNET DownloadSession();
