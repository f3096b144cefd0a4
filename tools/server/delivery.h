// How a reply goes on the wire: the bytes to send and what the connection does
// afterwards. Framing faults (hang, close, truncate, stall, drop-once,
// wrong-length, no-length) live here.
#pragma once

#include <cstddef>
#include <string>

#include "tools/server/reply.h"

struct Delivery {
    enum class After { keep_alive, close, hold, tunnel };

    std::string bytes;      // status line, header and as much body as is sent
    size_t body_bytes = 0;  // of the body, for the log
    bool answered = true;   // false when nothing at all is sent
    After after = After::close;
};

// `version` is the request's (10 or 11); `keep_alive` whether the client asked
// to keep the connection.
Delivery Deliver(const Reply& reply, unsigned version, bool keep_alive);
