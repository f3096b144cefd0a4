// Where the bank's server answers the sealed requests.
#pragma once

#include <string>
#include <vector>

struct CServerInfo {
    std::string serverUrl;
    std::vector<std::string> serverUrls;  // alternatives, tried in turn; empty: serverUrl alone
    std::string urlPrefix;
    std::string requestPath;
};
