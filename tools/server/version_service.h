// The version query: GET .../assist/server?reqtype=1&data=<envelope text>.
// The envelope holds the bank id ("811"); the answer is an envelope sealed with
// the same key pair holding {"v":..., "url":..., "update":...}.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "protocol/deploy_keys.h"
#include "protocol/prepared_envelope_key.h"
#include "tools/server/release.h"
#include "tools/server/reply.h"

// Any path with this ending is a version query: banks put the service below a
// base path of their own, and a base URL ending in "/assist/" doubles it.
constexpr std::string_view kVersionQuerySuffix = "/assist/server";

bool IsVersionQuery(std::string_view path);

class VersionService {
public:
    // Without keys, or with keys that are no consistent pair, no envelope opens
    // (400); without a release every bank is unknown (404).
    VersionService(std::optional<DeployEnvelopeKeys> keys, std::optional<Release> release);

    // With `notJson` the sealed message is text that is no JSON. Safe to call
    // from several threads at once.
    Reply Answer(std::string_view query, bool notJson = false) const;

private:
    // Prepared once and only read after: every query opens and seals with it.
    std::shared_ptr<const PreparedEnvelopeKey> key_;
    std::optional<Release> release_;
    std::string answer_;  // the release's answer message, sealed afresh for each query
};
