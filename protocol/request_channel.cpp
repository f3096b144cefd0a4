#include "protocol/request_channel.h"

#include <vector>

#include "protocol/deploy_material.h"
#include "protocol/envelope.h"
#include "protocol/http_client.h"
#include "protocol/request_record.h"
#include "protocol/server_turns.h"
#include "system/support_log.h"

namespace {

bool Seal(const std::string& message, std::string* text)
{
    const auto* bytes = reinterpret_cast<const uint8_t*>(message.data());
    size_t needed = 0;
    if (SealEnvelope(kBuiltInEnvelopeKey, bytes, message.size(), nullptr, &needed) != 0)
        return false;
    std::vector<char> buffer(needed + 1, '\0');
    size_t capacity = needed;
    if (SealEnvelope(kBuiltInEnvelopeKey, bytes, message.size(), buffer.data(), &capacity) != 0)
        return false;
    text->assign(buffer.data());
    return true;
}

const char* HttpResultName(int result)
{
    switch (result) {
    case kHttpOk:
        return "answered";
    case kHttpTimedOut:
        return "timed out";
    }
    return "failed";
}

QueryOutcome Logged(QueryOutcome outcome, const VersionAnswer* answer)
{
    switch (outcome) {
    case QueryOutcome::Answered:
        LogEvent("version answer: v %s, update mode \"%s\", download area %s", answer->version.c_str(),
                 answer->updateText.c_str(), answer->downloadUrl.c_str());
        break;
    case QueryOutcome::NoAnswer:
        LogEvent("version query: no answer");
        break;
    case QueryOutcome::CannotOpen:
        LogEvent("version answer refused: its envelope does not open with the built-in key");
        break;
    case QueryOutcome::Malformed:
        LogEvent("version answer refused: no version answer in it");
        break;
    }
    return outcome;
}

}  // namespace

bool SendSealedRequest(const CServerInfo& server, const std::string& requestPath, const std::string& message,
                       std::string& answer)
{
    CHttpClient client;
    std::string envelope;
    if (!Seal(message, &envelope)) {
        // Nothing goes out, so the support desk must not look for a server at fault.
        LogEvent("version query not sent: it cannot be sealed (no session key from the system's random source, "
                 "or the built-in key is unusable)");
        return false;
    }

    return AskServersInTurn(server, server.urlPrefix + requestPath + envelope,
                            [&client, &envelope](const std::string& url, std::string& response) {
                                // The sealed query stays out of the log: only its length goes in.
                                RequestRecord record(url.substr(0, url.size() - envelope.size()) + "(sealed, " +
                                                     std::to_string(envelope.size()) + " characters)");
                                const int result = client.HttpGet(url, response);
                                if (result == kHttpOk)
                                    RequestRecord::NoteBytes(response.size());
                                record.Finish(HttpResultName(result));
                                return result;
                            },
                            answer);
}

bool OpenAnswer(const std::string& answer, std::string& message)
{
    const size_t length = answer.size() & ~static_cast<size_t>(1);
    std::vector<uint8_t> buffer(length + 1, 0);
    size_t capacity = length;
    if (OpenEnvelope(kBuiltInEnvelopeKey, answer.data(), length, buffer.data(), &capacity) != 0)
        return false;
    message.assign(reinterpret_cast<const char*>(buffer.data()));
    return true;
}

QueryOutcome RunVersionQuery(const CServerInfo& server, uint32_t bankId, int attempts, VersionAnswer* answer)
{
    const std::string message = VersionQueryMessage(bankId);
    std::string sealedAnswer;
    bool answered = false;
    for (int i = 0; i < attempts && !answered; ++i) {
        sealedAnswer.clear();
        answered = SendSealedRequest(server, server.requestPath, message, sealedAnswer) && !sealedAnswer.empty();
    }
    if (!answered)
        return Logged(QueryOutcome::NoAnswer, answer);
    // A body that no answer can fill is a server's fault, not an answer.
    if (sealedAnswer.size() > kMaxResponseSize)
        return Logged(QueryOutcome::Malformed, answer);
    std::string plaintext;
    if (!OpenAnswer(sealedAnswer, plaintext))
        return Logged(QueryOutcome::CannotOpen, answer);
    return Logged(ParseVersionAnswer(plaintext, answer) ? QueryOutcome::Answered : QueryOutcome::Malformed, answer);
}
