#include "engine/download_session.h"

#include <shlwapi.h>

#include <string>

#include "engine/fetch_pool.h"
#include "system/handles.h"

namespace {

// Downloads carry no user agent of their own: the program's name stands in,
// as it does for the platform's own Internet sessions.
std::string AgentName()
{
    char module[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, module, MAX_PATH);
    std::string name = ::PathFindFileNameA(module);
    return name.substr(0, name.rfind('.'));
}

// Older systems allow two connections to one server by default, which
// would hold half of a pass's downloads back. These limits belong to the
// process, not to a session, and are only ever raised.
void AllowParallelFetches()
{
    for (const DWORD option : {INTERNET_OPTION_MAX_CONNS_PER_SERVER, INTERNET_OPTION_MAX_CONNS_PER_PROXY}) {
        DWORD limit = 0;
        DWORD size = sizeof limit;
        if (::InternetQueryOptionA(nullptr, option, &limit, &size) && limit >= kFetchesInFlight)
            continue;
        limit = kFetchesInFlight;
        ::InternetSetOptionA(nullptr, option, &limit, sizeof limit);
    }
}

InternetHandle OpenSession()
{
    AllowParallelFetches();
    return InternetHandle(::InternetOpenA(AgentName().c_str(), INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
}

}  // namespace

HINTERNET DownloadSession()
{
    // A function-local static: opened once even when two threads ask first.
    static const InternetHandle session = OpenSession();
    return session.get();
}
