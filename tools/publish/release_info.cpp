#include "tools/publish/release_info.h"

#include <json/json.h>

#include "protocol/version_answer.h"

std::string ReleaseInfoJson(const PublishOptions& options)
{
    Json::Value info(Json::objectValue);
    info["bank"] = VersionQueryMessage(options.bankId);
    info["v"] = options.version;
    info["update"] = options.updateMode;
    info["url"] = options.downloadUrl;

    Json::StreamWriterBuilder builder;
    builder["indentation"] = "";
    return Json::writeString(builder, info) + "\n";
}
