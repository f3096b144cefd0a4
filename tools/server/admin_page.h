// The admin listener's pages, for a load balancer's health check and for
// Prometheus: GET /healthz answers "ok" while the server serves, GET /metrics
// the counters. They have a listener of their own so that they are never
// reachable through the proxy or under a bank's host name.
#pragma once

#include "tools/server/metrics.h"
#include "tools/server/reply.h"
#include "tools/server/request.h"

Reply AdminPage(const Request& request, const TargetParts& target, const Metrics& metrics);
