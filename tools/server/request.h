// The request type every listener reads, and where it came in.
#pragma once

#include <boost/beast/http.hpp>

#include "tools/server/url_path.h"

using Request = boost::beast::http::request<boost::beast::http::string_body>;

// admin: /healthz and /metrics, never logged or counted.
enum class ListenerKind { http, https, proxy, admin };

const char* ListenerName(ListenerKind listener);

// Host, path and query of a request: the host from an absolute-form target,
// from a CONNECT authority, or else from the Host header.
TargetParts DescribeTarget(const Request& request);
