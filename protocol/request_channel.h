// The sealed request channel to the bank's server: the message travels in an
// envelope as the query parameter "data" of a GET, the answer is an envelope
// sealed with the same key pair.
#pragma once

#include <cstdint>
#include <string>

#include "protocol/server_info.h"
#include "protocol/version_answer.h"

// Seals `message` once and GETs base URL + urlPrefix + requestPath + envelope:
// serverUrl, or the alternative URLs in turn until one answers with a body.
// True with `answer` replaced by the body (which may be empty) when a server
// answered at all.
bool SendSealedRequest(const CServerInfo& server, const std::string& requestPath, const std::string& message,
                       std::string& answer);

// Opens an answer envelope (an odd last character is dropped first). True
// with `message` replaced when it opened and its digest matched.
bool OpenAnswer(const std::string& answer, std::string& message);

// Outcomes of one version query.
enum class QueryOutcome { Answered, NoAnswer, CannotOpen, Malformed };

// Sends the version query of bank `bankId` to `server` up to `attempts` times,
// then opens and parses the answer. `answer` is filled only when the outcome
// is Answered.
QueryOutcome RunVersionQuery(const CServerInfo& server, uint32_t bankId, int attempts, VersionAnswer* answer);
