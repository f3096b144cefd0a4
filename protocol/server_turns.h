// Which of the bank's servers answers a sealed request: the server URL alone,
// or the alternative URLs in turn.
#pragma once

#include <functional>
#include <string>

#include "protocol/server_info.h"

// One GET of a complete URL: a result of protocol/http_result.h, with
// `response` replaced by the body only on kHttpOk.
using HttpGetter = std::function<int(const std::string& url, std::string& response)>;

// GETs base URL + `tail`. Without alternatives that is serverUrl, once. With
// them each alternative in turn until one answers with a body: an empty body
// (a proxy that cannot reach the server, a server in maintenance) passes the
// turn like a failure, so the next alternative still gets its turn. True with
// `answer` replaced by the last body received (which may be empty) when any
// server answered at all; `answer` is untouched when none did.
bool AskServersInTurn(const CServerInfo& server, const std::string& tail, const HttpGetter& get,
                      std::string& answer);
