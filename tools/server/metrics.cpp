#include "tools/server/metrics.h"

#include <sstream>

#include <prometheus/text_serializer.h>

const char kMetricsContentType[] = "text/plain; version=0.0.4; charset=utf-8";

namespace {

// Names of the error kinds, in the order of ErrorKind.
constexpr const char* kErrorNames[] = {
    nullptr,        "malformed_request", "method_not_allowed", "unknown_host", "not_found",
    "bad_query",    "unknown_bank",      "internal",           "upstream",
};
static_assert(std::size(kErrorNames) == static_cast<size_t>(ErrorKind::upstream) + 1);
constexpr char kFaultKind[] = "fault";

// From half a millisecond (a version query is two RSA-1024 operations) to
// ten seconds (a large file read from a slow disk, a relay).
const prometheus::Histogram::BucketBoundaries kLatencyBuckets = {0.0005, 0.001, 0.0025, 0.005, 0.01, 0.025, 0.05,
                                                                 0.1,    0.25,  0.5,    1,     2.5,  5,     10};

}  // namespace

Metrics::Metrics()
    : answers_(prometheus::BuildCounter()
                   .Name("pellis_version_answers_total")
                   .Help("Version queries answered, by bank and answered version.")
                   .Register(registry_)),
      errors_(prometheus::BuildCounter()
                  .Name("pellis_errors_total")
                  .Help("Requests not served as asked, by kind.")
                  .Register(registry_)),
      faults_(errors_.Add({{"kind", kFaultKind}})),
      bytes_(prometheus::BuildCounter()
                 .Name("pellis_served_bytes_total")
                 .Help("Body bytes sent in answers.")
                 .Register(registry_)
                 .Add({})),
      latency_(prometheus::BuildHistogram()
                   .Name("pellis_request_duration_seconds")
                   .Help("Time from a complete request to its reply being ready to send.")
                   .Register(registry_)
                   .Add({}, kLatencyBuckets))
{
    for (const char* name : kErrorNames) errors_by_kind_.push_back(name ? &errors_.Add({{"kind", name}}) : nullptr);
}

prometheus::Counter& Metrics::VersionAnswers(const std::string& bank, const std::string& version)
{
    return answers_.Add({{"bank", bank}, {"version", version}});
}

void Metrics::Count(const Reply& reply, const Delivery& delivery, std::chrono::steady_clock::duration elapsed)
{
    latency_.Observe(std::chrono::duration<double>(elapsed).count());
    bytes_.Increment(static_cast<double>(delivery.body_bytes));
    if (reply.fault != Fault::none) {
        faults_.Increment();
    } else if (prometheus::Counter* error = errors_by_kind_[static_cast<size_t>(reply.error)]) {
        error->Increment();
    } else if (reply.version_answers) {
        reply.version_answers->Increment();
    }
}

std::string Metrics::Text() const
{
    std::ostringstream out;
    prometheus::TextSerializer().Serialize(out, registry_.Collect());
    return out.str();
}
