// Results of one GET of the version query (CHttpClient::HttpGet).
#pragma once

constexpr int kHttpOk = 0;
constexpr int kHttpFailed = 1;
constexpr int kHttpTimedOut = 2;
