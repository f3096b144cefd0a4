#include "tools/server/file_answer.h"

#include <sys/stat.h>

#include <algorithm>
#include <ctime>
#include <sstream>

#include "system/whole_file.h"
#include "tools/server/byte_range.h"

namespace http = boost::beast::http;

namespace {

// IMF-fixdate. strftime's day and month names are the C locale's, the ones
// HTTP wants: the server never sets another locale.
std::string HttpDate(time_t time)
{
    std::tm parts{};
    gmtime_r(&time, &parts);
    char text[32];
    std::strftime(text, sizeof text, "%a, %d %b %Y %H:%M:%S GMT", &parts);
    return text;
}

// Cheap, and another whenever the file is rewritten with another size or in
// another second.
std::string EntityTag(time_t modified, size_t size)
{
    std::ostringstream tag;
    tag << '"' << std::hex << modified << '-' << size << '"';
    return tag.str();
}

// A strong tag other than `etag`, for a file that a fault plays as changed.
std::string OtherEntityTag(const std::string& etag)
{
    return "\"other-" + etag.substr(1);
}

// The range `request` asks of `entity`, whole when none applies.
ByteRange RangeAsked(const Request& request, const FileEntity& entity)
{
    // Two Range fields are two ranges, which a server may ignore as well.
    if (request.count(http::field::range) != 1) return {};
    const auto if_range = request.find(http::field::if_range);
    // Exact equality is the strong comparison If-Range calls for: a weak
    // tag, "W/" and all, never equals the strong one.
    if (if_range != request.end() && if_range->value() != entity.etag && if_range->value() != entity.last_modified)
        return {};
    return ReadByteRange(request[http::field::range], entity.bytes.size());
}

}  // namespace

bool ReadFileEntity(const std::string& path, FileEntity* entity)
{
    struct stat facts {};
    if (::stat(path.c_str(), &facts) != 0 || !ReadWholeFile(path, &entity->bytes)) return false;
    entity->etag = EntityTag(facts.st_mtime, entity->bytes.size());
    entity->last_modified = HttpDate(facts.st_mtime);
    return true;
}

Reply FileReply(unsigned status, std::string bytes)
{
    Reply reply = TextReply(status, std::move(bytes));
    reply.content_type = kOctetStream;
    return reply;
}

Reply FileAnswer(const Request& request, FileEntity entity, Fault misanswer)
{
    if (misanswer == Fault::resume_changed) {
        std::reverse(entity.bytes.begin(), entity.bytes.end());
        entity.etag = OtherEntityTag(entity.etag);
    }
    if (misanswer == Fault::drop_once_dated) entity.etag.clear();
    const size_t total = entity.bytes.size();
    ByteRange range = RangeAsked(request, entity);
    if (misanswer == Fault::resume_416 && request.count(http::field::range) != 0)
        range.kind = ByteRange::Kind::unsatisfiable;
    if (range.kind == ByteRange::Kind::unsatisfiable) {
        Reply reply = TextReply(416, "range not satisfiable\n");
        reply.content_range = "bytes */" + std::to_string(total);
        return reply;
    }
    Reply reply = FileReply(200, std::move(entity.bytes));
    reply.etag = std::move(entity.etag);
    reply.last_modified = std::move(entity.last_modified);
    if (range.kind == ByteRange::Kind::part) {
        if (misanswer == Fault::resume_wrong_range && range.first > 0) --range.first;
        if (misanswer == Fault::resume_other_tag) reply.etag = OtherEntityTag(reply.etag);
        if (misanswer == Fault::resume_no_tag) reply.etag.clear();
        reply.status = 206;
        reply.body = reply.body.substr(range.first, range.last - range.first + 1);
        reply.content_range =
            "bytes " + std::to_string(range.first) + "-" + std::to_string(range.last) + "/" + std::to_string(total);
    }
    return reply;
}
