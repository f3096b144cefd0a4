#include "protocol/server_turns.h"

#include "protocol/http_result.h"

bool AskServersInTurn(const CServerInfo& server, const std::string& tail, const HttpGetter& get,
                      std::string& answer)
{
    if (server.serverUrls.empty())
        return get(server.serverUrl + tail, answer) == kHttpOk;
    bool answered = false;
    for (const std::string& base : server.serverUrls) {
        if (get(base + tail, answer) == kHttpOk) {
            answered = true;
            if (!answer.empty())
                break;
        }
    }
    return answered;
}
