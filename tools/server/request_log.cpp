#include "tools/server/request_log.h"

#include <cerrno>
#include <cstring>

#include <json/json.h>

namespace {

std::string Text(boost::beast::string_view view)
{
    return std::string(view.data(), view.size());
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

void RequestLog::Write(ListenerKind listener, const Request& request, const TargetParts& target, const Reply& reply,
                       const Delivery& delivery)
{
    Json::Value line(Json::objectValue);
    line["listener"] = ListenerName(listener);
    line["method"] = Text(request.method_string());
    line["host"] = target.host;
    line["target"] = Text(request.target());
    line["path"] = target.path;
    line["version"] = VersionText(request.version());
    Json::Value& headers = line["headers"] = Json::Value(Json::arrayValue);
    for (const auto& field : request) {
        Json::Value pair(Json::arrayValue);
        pair.append(Text(field.name_string()));
        pair.append(Text(field.value()));
        headers.append(pair);
    }
    line["status"] = delivery.answered ? Json::Value(reply.status) : Json::Value();
    line["bytes"] = static_cast<Json::UInt64>(delivery.body_bytes);
    const char* fault = FaultName(reply.fault);
    line["fault"] = fault ? Json::Value(fault) : Json::Value();

    Json::StreamWriterBuilder writer;
    writer["indentation"] = "";
    const std::string text = Json::writeString(writer, line) + "\n";
    std::fwrite(text.data(), 1, text.size(), out_);
    std::fflush(out_);
}
