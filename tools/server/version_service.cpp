#include "tools/server/version_service.h"

#include <cstdint>
#include <string>
#include <vector>

#include <json/json.h>

#include "protocol/envelope.h"

namespace {

constexpr std::string_view kRequestType = "1";
constexpr std::string_view kNotJson = "v=1.0.0.3 url=none";

// The value of `name` in an "a=1&b=2" query; nothing when it is absent.
std::optional<std::string_view> QueryValue(std::string_view query, std::string_view name)
{
    while (!query.empty()) {
        const size_t end = std::min(query.find('&'), query.size());
        const std::string_view pair = query.substr(0, end);
        const size_t equals = pair.find('=');
        if (pair.substr(0, equals) == name) {
            return equals == std::string_view::npos ? std::string_view() : pair.substr(equals + 1);
        }
        query.remove_prefix(std::min(end + 1, query.size()));
    }
    return std::nullopt;
}

std::optional<std::string> Open(const EnvelopeKey& key, std::string_view text)
{
    std::vector<uint8_t> message(text.size() + 1, 0);
    size_t capacity = text.size();
    if (OpenEnvelope(key, text.data(), text.size(), message.data(), &capacity) != 0) return std::nullopt;
    return std::string(message.begin(), message.begin() + capacity);
}

std::optional<std::string> Seal(const EnvelopeKey& key, std::string_view message)
{
    const auto* bytes = reinterpret_cast<const uint8_t*>(message.data());
    size_t capacity = 0;
    if (SealEnvelope(key, bytes, message.size(), nullptr, &capacity) != 0) return std::nullopt;
    std::string text(capacity, '\0');
    if (SealEnvelope(key, bytes, message.size(), text.data(), &capacity) != 0) return std::nullopt;
    text.resize(capacity);
    return text;
}

std::string AnswerMessage(const Release& release)
{
    Json::Value answer(Json::objectValue);
    answer["v"] = release.version;
    answer["url"] = release.url;
    answer["update"] = release.update;
    Json::StreamWriterBuilder writer;
    writer["indentation"] = "";
    return Json::writeString(writer, answer);
}

}  // namespace

bool IsVersionQuery(std::string_view path)
{
    return path.size() >= kVersionQuerySuffix.size() &&
           path.substr(path.size() - kVersionQuerySuffix.size()) == kVersionQuerySuffix;
}

VersionService::VersionService(std::optional<DeployEnvelopeKeys> keys, std::optional<Release> release)
    : release_(std::move(release))
{
    if (keys) key_ = PreparedEnvelopeKey::Prepare(keys->View());
    if (release_) answer_ = AnswerMessage(*release_);
}

Reply VersionService::Answer(std::string_view query, bool notJson) const
{
    if (QueryValue(query, "reqtype") != kRequestType) return TextReply(400, "reqtype must be 1\n");
    const std::optional<std::string_view> data = QueryValue(query, "data");
    if (!data) return TextReply(400, "no data\n");
    const std::optional<std::string> bank = key_ ? Open(*key_, *data) : std::nullopt;
    if (!bank) return TextReply(400, "the envelope does not open\n");
    if (!release_ || *bank != release_->bank) return TextReply(404, "unknown bank\n");
    const std::optional<std::string> sealed = Seal(*key_, notJson ? kNotJson : std::string_view(answer_));
    if (!sealed) return TextReply(500, "sealing failed\n");
    return TextReply(200, *sealed);
}
