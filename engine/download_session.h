// The one WinINet session every download of the process goes through. A run
// is one process, so its manifests, signatures and files share the session,
// and WinINet can keep a finished download's connection for the next request
// to the same host: a session per file opened a connection (and over https a
// tunnel and a handshake) for every file.
#pragma once

#include <windows.h>
#include <wininet.h>

// Requests get no time-outs of their own on Windows, where WinINet's defaults
// apply. Wine applies none to requests at all, so a server that accepts and
// then stays silent would stall the run for good; this bound lies at the
// order of the platform's defaults and far above any pause of a working server.
constexpr DWORD kTransferTimeoutMs = 30000;

// Opened on first use, from any thread, and kept until the process ends;
// null when WinINet cannot open one.
HINTERNET DownloadSession();
