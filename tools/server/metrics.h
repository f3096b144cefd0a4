// What operators scrape: version answers by bank and version, errors by
// kind, body bytes sent and the time each request took to decide, in the
// Prometheus text format. Counting is thread-safe; nothing is ever reset, so
// the counts of a release that a reload replaced stay at their last value.
#pragma once

#include <chrono>
#include <string>
#include <vector>

#include <prometheus/counter.h>
#include <prometheus/family.h>
#include <prometheus/histogram.h>
#include <prometheus/registry.h>

#include "tools/server/delivery.h"
#include "tools/server/reply.h"

class Metrics {
public:
    Metrics();
    Metrics(const Metrics&) = delete;
    Metrics& operator=(const Metrics&) = delete;

    // The count of version answers for `bank` ("%x" of its id) with
    // `version`: the same counter for the same pair, for the server's life.
    prometheus::Counter& VersionAnswers(const std::string& bank, const std::string& version);

    // Counts one request: its `reply`, what of it was sent, and the time from
    // the complete request to the reply being ready to send.
    void Count(const Reply& reply, const Delivery& delivery, std::chrono::steady_clock::duration elapsed);

    std::string Text() const;

private:
    prometheus::Registry registry_;
    prometheus::Family<prometheus::Counter>& answers_;
    prometheus::Family<prometheus::Counter>& errors_;
    std::vector<prometheus::Counter*> errors_by_kind_;  // indexed by ErrorKind; none has none
    prometheus::Counter& faults_;                       // the test options' faults and proxy policies
    prometheus::Counter& bytes_;
    prometheus::Histogram& latency_;
};

// The content type of Text().
extern const char kMetricsContentType[];
