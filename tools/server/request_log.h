// One JSON line per request, flushed at once so that a test reads it as soon
// as the reply arrives:
//   {"listener":"http|https|proxy","method":"GET","host":"ebank.aldmoor.example",
//    "target":"/assist/server?reqtype=1&data=...","path":"/assist/server",
//    "version":"HTTP/1.0","headers":[["Accept","*,*/*"],...],
//    "range":null,"status":200,"bytes":340,"fault":null,"connection":7}
// Members come in no fixed order. "host" is lower case without port; "headers"
// keeps the received order and spelling; "range" is the Range header's text
// ("bytes=1000-"), null without one; "status" is null when nothing was
// answered; "bytes" counts the body bytes sent; "fault" names the fault mode
// or proxy policy applied ("refuse", "blackhole"), or is null; "connection"
// is a number of the connection the request came on, the same for every
// request of a kept-alive connection and unique within the server's run (a
// tunnel's requests come on a connection of their own to the HTTPS
// listener), so a test can count the connections a client opened. Every text is
// valid UTF-8: bytes that are not UTF-8 are read as GBK, the downloader's code
// page, and bytes that are neither appear as U+FFFD.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include <json/json.h>

#include "tools/server/delivery.h"
#include "tools/server/request.h"

class RequestLog {
public:
    // An empty path logs to stderr; a file is appended to.
    bool Open(const std::string& path, std::string* error);

    // Safe from several threads: each line goes out in one fwrite, which
    // stdio makes whole under the stream's lock.
    void Write(ListenerKind listener, uint64_t connection, const Request& request, const TargetParts& target,
               const Reply& reply, const Delivery& delivery);

private:
    struct Closer {
        void operator()(FILE* file) const { std::fclose(file); }
    };
    std::unique_ptr<FILE, Closer> file_;
    FILE* out_ = stderr;
};

// `line` compact on one line, flushed at once: the one form of every JSON line
// the server writes.
void WriteJsonLine(FILE* out, const Json::Value& line);
