#include "engine/memory_download.h"

#include <windows.h>
#include <wininet.h>

#include <cstdint>
#include <utility>
#include <vector>

#include "engine/download_session.h"
#include "protocol/request_record.h"
#include "protocol/wininet_request.h"
#include "system/handles.h"

namespace {

constexpr int kAttempts = 5;
constexpr DWORD kStatusOk = 200;
constexpr DWORD kReadChunk = 64 * 1024;

enum class Ending { received, refused, timedOut, failed };

const char* EndingName(Ending ending)
{
    switch (ending) {
    case Ending::received:
        return "received";
    case Ending::refused:
        return "refused by the server";
    case Ending::timedOut:
        return "timed out";
    case Ending::failed:
        break;
    }
    return "failed";
}

// Read at once, before a handle's closing changes the thread's last error.
Ending TransferFault()
{
    return ::GetLastError() == ERROR_INTERNET_TIMEOUT ? Ending::timedOut : Ending::failed;
}

// One GET; the reason of a refusal goes into the request's log line.
Ending Attempt(const std::string& url, std::string* body)
{
    ParsedUrl target;
    if (!ParseHttpUrl(url, &target))
        return Ending::failed;
    const HINTERNET session = DownloadSession();
    if (session == nullptr)
        return Ending::failed;
    const InternetHandle connection = OpenHttpConnection(session, target);
    if (!connection)
        return TransferFault();
    const InternetHandle request = OpenKeptAliveGetRequest(connection.get(), target);
    if (!request)
        return TransferFault();
    SetTimeouts(request.get(), kTransferTimeoutMs);
    IgnoreCertificateProblems(request.get());
    if (!::HttpSendRequestA(request.get(), nullptr, 0, nullptr, 0))
        return TransferFault();
    const DWORD status = QueryNumberHeader(request.get(), HTTP_QUERY_STATUS_CODE);
    RequestRecord::NoteStatus(status);
    if (status != kStatusOk)
        return Ending::refused;
    const uint64_t length = QueryContentLength(request.get());
    if (length == 0 || length > kMaxMemoryDownload) {
        RequestRecord::NoteReason("refused: no Content-Length, or more than a small file may hold");
        return Ending::failed;
    }
    std::string received;
    received.reserve(static_cast<size_t>(length));
    std::vector<char> chunk(kReadChunk);
    for (;;) {
        DWORD read = 0;
        if (!::InternetReadFile(request.get(), chunk.data(), kReadChunk, &read))
            return TransferFault();
        if (read == 0)
            break;
        if (received.size() + read > length) {
            RequestRecord::NoteReason("more bytes than Content-Length announced");
            return Ending::failed;
        }
        received.append(chunk.data(), read);
        RequestRecord::NoteBytes(received.size());
    }
    if (received.size() != length) {
        RequestRecord::NoteReason("fewer bytes than Content-Length announced");
        return Ending::failed;
    }
    *body = std::move(received);
    return Ending::received;
}

}  // namespace

bool DownloadToMemory(const std::string& url, std::string* body)
{
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        // Never answered from a copy an earlier run left in the cache.
        ::DeleteUrlCacheEntryA(url.c_str());
        RequestRecord record(url);
        const Ending ending = Attempt(url, body);
        record.Finish(EndingName(ending));
        if (ending == Ending::received)
            return true;
    }
    return false;
}
