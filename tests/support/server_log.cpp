#include "tests/support/server_log.h"

#include <json/json.h>

#include <cstdlib>
#include <fstream>
#include <set>
#include <sstream>

std::vector<LoggedRequest> ReadServerLog()
{
    std::vector<LoggedRequest> requests;
    const char* path = std::getenv("PELLIS_SERVER_LOG");
    if (path == nullptr)
        return requests;
    std::ifstream in(path);
    std::string line;
    Json::Reader reader;
    while (std::getline(in, line)) {
        Json::Value entry;
        if (!reader.parse(line, entry) || !entry.isObject())
            continue;
        LoggedRequest request;
        request.listener = entry["listener"].asString();
        request.method = entry["method"].asString();
        request.host = entry["host"].asString();
        request.path = entry["path"].asString();
        request.version = entry["version"].asString();
        request.status = entry["status"].asInt();
        request.bytes = entry["bytes"].asUInt64();
        request.connection = entry["connection"].asUInt64();
        for (const Json::Value& header : entry["headers"])
            request.headers.emplace_back(header[0].asString(), header[1].asString());
        requests.push_back(request);
    }
    return requests;
}

size_t CountProxiedRequests(const std::vector<LoggedRequest>& log, const std::string& host)
{
    size_t count = 0;
    for (const LoggedRequest& request : log) {
        const std::string name = request.host.substr(0, request.host.rfind(':'));
        count += request.listener == "proxy" && (name == host || request.host == host) ? 1 : 0;
    }
    return count;
}

size_t CountConnectionsOfGets(const std::vector<LoggedRequest>& log)
{
    std::set<uint64_t> connections;
    for (const LoggedRequest& request : log) {
        if (request.method == "GET")
            connections.insert(request.connection);
    }
    return connections.size();
}
