#include "tools/publish/release_info.h"

#include <json/json.h>

#include <cstdio>

std::string BankText(uint32_t bankId)
{
    char bank[16];
    std::snprintf(bank, sizeof bank, "%x", static_cast<unsigned>(bankId));
    return bank;
}

std::string ReleaseInfoJson(const PublishOptions& options)
{
    Json::Value info(Json::objectValue);
    info["bank"] = BankText(options.bankId);
    info["v"] = options.version;
    info["update"] = options.updateMode;
    info["url"] = options.downloadUrl;

    Json::StreamWriterBuilder builder;
    builder["indentation"] = "";
    return Json::writeString(builder, info) + "\n";
}
