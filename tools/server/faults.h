// Misbehaviours the server puts on for tests, chosen per request path, and the
// two the proxy applies per host.
#pragma once

#include <string_view>

struct Reply;

enum class Fault {
    none,
    hang,          // read the request, never answer
    close,         // close without answering
    garbage,       // 200 with a body that is no envelope
    odd,           // the answer and one "\n"
    crlf,          // the answer and "\r\n"
    truncate,      // full Content-Length, half the body, close
    stall,         // full Content-Length, half the body, then silence
    drop_once,     // full Content-Length, nine tenths of the body, close; the path's first request only
    // A file's first answer dropped as by drop_once, and then:
    drop_once_dated,     // no answer carries an ETag, only Last-Modified
    resume_other_tag,    // a 206 under another ETag
    resume_no_tag,       // a 206 without ETag
    resume_changed,      // the file changed: later answers carry other bytes under another ETag
    resume_416,          // a GET with a Range gets 416
    resume_wrong_range,  // a 206 that starts one byte before the range asked
    not_found,     // 404
    server_error,  // 500 with an HTML body
    wrong_length,  // Content-Length one more than the body, close
    no_length,     // the whole body without Content-Length, ended by closing
    empty,         // 200 with an empty body
    bad_envelope,  // the answer with one character changed
    not_json,      // a sealed answer whose message is no JSON
    refuse,        // proxy: close without answering
    blackhole,     // proxy: never answer
};

// Whether the mode drops the path's first answer as drop_once does; its own
// fault then applies to the later ones.
bool DropsFirstAnswer(Fault fault);

// Only the modes a --fault option may name; false for any other text.
bool ParseFaultMode(std::string_view name, Fault* fault);

// The name used on the command line and in the request log; null for none.
const char* FaultName(Fault fault);

// Marks the reply with the fault and makes the changes to status and body at
// once; faults of framing act when the reply is sent (Deliver).
void ApplyFault(Fault fault, Reply* reply);
