#include "tools/publish/release_info.h"

#include <json/json.h>

#include <cstdio>

std::string ReleaseInfoJson(const PublishOptions& options)
{
    char bank[16];
    std::snprintf(bank, sizeof bank, "%x", static_cast<unsigned>(options.bankId));

    Json::Value info(Json::objectValue);
    info["bank"] = bank;
    info["v"] = options.version;
    info["update"] = options.updateMode;
    info["url"] = options.downloadUrl;

    Json::StreamWriterBuilder builder;
    builder["indentation"] = "";
    return Json::writeString(builder, info) + "\n";
}
