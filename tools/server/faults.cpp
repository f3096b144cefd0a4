#include "tools/server/faults.h"

#include "tools/server/reply.h"

namespace {

struct NamedFault {
    const char* name;
    Fault fault;
    bool on_command_line;
};

constexpr NamedFault kFaults[] = {
    {"hang", Fault::hang, true},
    {"close", Fault::close, true},
    {"garbage", Fault::garbage, true},
    {"odd", Fault::odd, true},
    {"crlf", Fault::crlf, true},
    {"truncate", Fault::truncate, true},
    {"stall", Fault::stall, true},
    {"drop-once", Fault::drop_once, true},
    {"drop-once-dated", Fault::drop_once_dated, true},
    {"resume-other-tag", Fault::resume_other_tag, true},
    {"resume-no-tag", Fault::resume_no_tag, true},
    {"resume-changed", Fault::resume_changed, true},
    {"resume-416", Fault::resume_416, true},
    {"resume-wrong-range", Fault::resume_wrong_range, true},
    {"404", Fault::not_found, true},
    {"500", Fault::server_error, true},
    {"wrong-length", Fault::wrong_length, true},
    {"no-length", Fault::no_length, true},
    {"empty", Fault::empty, true},
    {"bad-envelope", Fault::bad_envelope, true},
    {"not-json", Fault::not_json, true},
    {"refuse", Fault::refuse, false},
    {"blackhole", Fault::blackhole, false},
};

constexpr char kGarbageBody[] = "this is not an envelope";
constexpr char kServerErrorBody[] =
    "<html><head><title>500 Internal Server Error</title></head>"
    "<body><h1>Internal Server Error</h1></body></html>\n";

}  // namespace

bool DropsFirstAnswer(Fault fault)
{
    switch (fault) {
        case Fault::drop_once:
        case Fault::drop_once_dated:
        case Fault::resume_other_tag:
        case Fault::resume_no_tag:
        case Fault::resume_changed:
        case Fault::resume_416:
        case Fault::resume_wrong_range:
            return true;
        default:
            return false;
    }
}

bool ParseFaultMode(std::string_view name, Fault* fault)
{
    for (const NamedFault& entry : kFaults) {
        if (entry.on_command_line && name == entry.name) {
            *fault = entry.fault;
            return true;
        }
    }
    return false;
}

const char* FaultName(Fault fault)
{
    for (const NamedFault& entry : kFaults) {
        if (entry.fault == fault) return entry.name;
    }
    return nullptr;
}

void ApplyFault(Fault fault, Reply* reply)
{
    switch (fault) {
        case Fault::garbage:
            *reply = TextReply(200, kGarbageBody);
            break;
        case Fault::odd:
            reply->body += "\n";
            break;
        case Fault::crlf:
            reply->body += "\r\n";
            break;
        case Fault::not_found:
            *reply = TextReply(404, "not found\n");
            break;
        case Fault::server_error:
            *reply = TextReply(500, kServerErrorBody);
            reply->content_type = "text/html";
            break;
        case Fault::empty:
            *reply = TextReply(200, "");
            break;
        case Fault::bad_envelope:
            // The last digit belongs to the envelope's digest, so the change
            // always makes the opening fail while the text keeps its form.
            if (!reply->body.empty()) reply->body.back() = reply->body.back() == '0' ? '1' : '0';
            break;
        default:
            break;
    }
    reply->fault = fault;
}
