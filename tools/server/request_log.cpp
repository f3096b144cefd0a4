#include "tools/server/request_log.h"

#include <cerrno>
#include <cstring>

#include "tools/server/gbk_text.h"

namespace {

// Request bytes as log text (ReadableUtf8): a client may send GBK or any bytes
// at all, and jsoncpp would misread GBK as UTF-8, dropping the "\" of a
// trail byte 5C, or write invalid UTF-8.
std::string Text(boost::beast::string_view view)
{
    return ReadableUtf8(std::string_view(view.data(), view.size()));
}

std::string VersionText(unsigned version)
{
    return "HTTP/" + std::to_string(version / 10) + "." + std::to_string(version % 10);
}

}  // namespace

bool RequestLog::Open(const std::string& path, std::string* error)
{
    if (path.empty()) return true;
    file_.reset(std::fopen(path.c_str(), "a"));
    if (!file_) {
        *error = "cannot open log " + path + ": " + std::strerror(errno);
        return false;
    }
    out_ = file_.get();
    return true;
}

void RequestLog::Write(ListenerKind listener, uint64_t connection, const Request& request, const TargetParts& target,
                       const Reply& reply, const Delivery& delivery)
{
    Json::Value line(Json::objectValue);
    line["listener"] = ListenerName(listener);
    line["method"] = Text(request.method_string());
    line["host"] = ReadableUtf8(target.host);
    line["target"] = Text(request.target());
    line["path"] = ReadableUtf8(target.path);
    line["version"] = VersionText(request.version());
    Json::Value& headers = line["headers"] = Json::Value(Json::arrayValue);
    for (const auto& field : request) {
        Json::Value pair(Json::arrayValue);
        pair.append(Text(field.name_string()));
        pair.append(Text(field.value()));
        headers.append(pair);
    }
    const auto range = request.find(boost::beast::http::field::range);
    line["range"] = range == request.end() ? Json::Value() : Json::Value(Text(range->value()));
    line["status"] = delivery.answered ? Json::Value(reply.status) : Json::Value();
    line["bytes"] = static_cast<Json::UInt64>(delivery.body_bytes);
    const char* fault = FaultName(reply.fault);
    line["fault"] = fault ? Json::Value(fault) : Json::Value();
    line["connection"] = static_cast<Json::UInt64>(connection);

    WriteJsonLine(out_, line);
}

void WriteJsonLine(FILE* out, const Json::Value& line)
{
    Json::StreamWriterBuilder writer;
    writer["indentation"] = "";
    // Every text member is valid UTF-8, so names stay readable.
    writer["emitUTF8"] = true;
    const std::string text = Json::writeString(writer, line) + "\n";
    // One write per line: stdio locks the stream for each call, so lines from
    // several threads never interleave.
    std::fwrite(text.data(), 1, text.size(), out);
    std::fflush(out);
}
