#include "engine/download_session.h"

#include <shlwapi.h>

#include <string>

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

}  // namespace

HINTERNET DownloadSession()
{
    // A function-local static: opened once even when two threads ask first.
    static const InternetHandle session(
        ::InternetOpenA(AgentName().c_str(), INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
    return session.get();
}
