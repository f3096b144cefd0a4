// Files in ranges, as the downloader resumes a download that dropped: the
// validators it checks, the part it asks for, and the fault that drops a
// download once.
#include <sys/stat.h>

#include <ctime>
#include <filesystem>

#include <boost/beast/http/error.hpp>

#include "demo_release.h"
#include "server_suite.h"
#include "test_client.h"

namespace {

namespace http = boost::beast::http;

constexpr char kServedPath[] = "/served.bin";
constexpr char kServedWithStatusPath[] = "/gone.bin";
// 3000 bytes; the table below is written for that size.
const std::string kAreaFile = std::string(kPluginPath) + "/" + kPluginName;
constexpr size_t kFileSize = 3000;

std::string AreaTarget(const std::string& file)
{
    return std::string(kDownloadPath) + "/" + file;
}

// A file of each kind that is answered in ranges.
struct FileKind {
    const char* name;
    std::string target;
    std::string file;  // on disk
};

std::string Slice(const std::string& bytes, size_t first, size_t last)
{
    return bytes.substr(first, last - first + 1);
}

// The time an HTTP-date names, read back independently of the server's writing.
time_t ParseHttpDate(const std::string& text)
{
    std::tm parts{};
    const char* end = strptime(text.c_str(), "%a, %d %b %Y %H:%M:%S GMT", &parts);
    return end && *end == '\0' ? timegm(&parts) : time_t(-1);
}

time_t ModificationTime(const std::string& path)
{
    struct stat facts {};
    return ::stat(path.c_str(), &facts) == 0 ? facts.st_mtime : time_t(-1);
}

class RangeTest : public ServerSuite {
protected:
    static void SetUpTestSuite()
    {
        std::vector<std::string> args = DemoServerArgs();
        args.insert(args.end(), {"--serve", std::string(kServedPath) + "=" + ServedFile(), "--serve",
                                 std::string(kServedWithStatusPath) + "=" + ServedFile(), "--status",
                                 std::string(kServedWithStatusPath) + "=410"});
        StartServer(args);
    }

    // The download area's file served again: one table of ranges fits both.
    static std::string ServedFile()
    {
        static const TempDir dir;
        static const std::string path = dir.Write("served.bin", TheDemoRelease().Content(kAreaFile));
        return path;
    }

    static std::vector<FileKind> Kinds()
    {
        return {
            {"download area", AreaTarget(kAreaFile), TheDemoRelease().release_dir + "/download/" + kAreaFile},
            {"--serve", kServedPath, ServedFile()},
        };
    }
};

TEST_F(RangeTest, FileAnswersCarryTheirValidators)
{
    for (const FileKind& kind : Kinds()) {
        for (Route route : {Route::http, Route::https, Route::proxy, Route::tunnel}) {
            SCOPED_TRACE(std::string(RouteName(route)) + " " + kind.name);
            const Response response = Fetch(ports(), {route, kind.target});
            ASSERT_EQ(response.status, 200u);
            EXPECT_EQ(response.Field("Accept-Ranges"), "bytes");
            const std::string etag = response.Field("ETag");
            EXPECT_TRUE(etag.size() > 2 && etag.front() == '"' && etag.back() == '"') << etag;
            EXPECT_EQ(ParseHttpDate(response.Field("Last-Modified")), ModificationTime(kind.file))
                << response.Field("Last-Modified");
            EXPECT_EQ(response.Field("Content-Range"), "");
        }
    }
}

// No other answer is a file to resume: a range asked of it is ignored.
TEST_F(RangeTest, OtherAnswersIgnoreRanges)
{
    const struct {
        const char* kind;
        std::string target;
        unsigned status;
    } cases[] = {
        {"version query", "/assist/server?" + VersionQueryOf(kBank), 200},
        {"missing file", AreaTarget("missing.dll"), 404},
        {"--serve with --status", kServedWithStatusPath, 410},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.kind);
        Get get{Route::http, c.target};
        get.headers = {{"Range", "bytes=0-1"}};
        const Response response = Fetch(ports(), get);
        EXPECT_EQ(response.status, c.status);
        EXPECT_EQ(response.content_length, response.body.size());
        EXPECT_GT(response.body.size(), 2u);
        for (const char* field : {"Accept-Ranges", "ETag", "Last-Modified", "Content-Range"}) {
            EXPECT_EQ(response.Field(field), "") << field;
        }
    }
}

enum class IfRange { none, etag, last_modified, stale_etag, weak_etag };

TEST_F(RangeTest, AnswersTheRangeAsked)
{
    const std::string bytes = TheDemoRelease().Content(kAreaFile);
    ASSERT_EQ(bytes.size(), kFileSize);
    // first and last: the part of a 206, or of the whole file for a 200.
    const struct {
        const char* name;
        const char* range;
        IfRange if_range;
        unsigned status;
        size_t first;
        size_t last;
    } cases[] = {
        {"open range", "bytes=1000-", IfRange::none, 206, 1000, 2999},
        {"closed range", "bytes=10-19", IfRange::none, 206, 10, 19},
        {"closed range past the end", "bytes=2990-5000", IfRange::none, 206, 2990, 2999},
        {"suffix range", "bytes=-500", IfRange::none, 206, 2500, 2999},
        {"suffix longer than the file", "bytes=-5000", IfRange::none, 206, 0, 2999},
        {"the last byte", "bytes=2999-2999", IfRange::none, 206, 2999, 2999},
        {"the first byte, unit in capitals", "BYTES=0-0", IfRange::none, 206, 0, 0},
        {"starts at the end", "bytes=3000-", IfRange::none, 416, 0, 0},
        {"starts past the end", "bytes=99999999999999999999999-", IfRange::none, 416, 0, 0},
        {"several ranges", "bytes=0-9,20-29", IfRange::none, 200, 0, 2999},
        {"last before first", "bytes=20-10", IfRange::none, 200, 0, 2999},
        {"another unit", "items=0-9", IfRange::none, 200, 0, 2999},
        {"If-Range with the ETag", "bytes=1000-", IfRange::etag, 206, 1000, 2999},
        {"If-Range with the Last-Modified", "bytes=1000-", IfRange::last_modified, 206, 1000, 2999},
        {"If-Range with a stale ETag", "bytes=1000-", IfRange::stale_etag, 200, 0, 2999},
        {"If-Range with the ETag made weak", "bytes=1000-", IfRange::weak_etag, 200, 0, 2999},
    };
    for (const FileKind& kind : Kinds()) {
        for (Route route : {Route::http, Route::https, Route::proxy, Route::tunnel}) {
            const Response plain = Fetch(ports(), {route, kind.target});
            ASSERT_EQ(plain.status, 200u);
            const std::string etag = plain.Field("ETag");
            const std::string if_range[] = {"", etag, plain.Field("Last-Modified"), "\"5f5e0ff-bb8\"", "W/" + etag};
            for (const auto& c : cases) {
                SCOPED_TRACE(std::string(RouteName(route)) + " " + kind.name + ": " + c.name);
                Get get{route, kind.target};
                get.headers = {{"Range", c.range}};
                if (c.if_range != IfRange::none)
                    get.headers.emplace_back("If-Range", if_range[static_cast<size_t>(c.if_range)]);
                const Response response = Fetch(ports(), get);
                ASSERT_EQ(response.status, c.status) << response.body;
                if (c.status == 416) {
                    EXPECT_EQ(response.Field("Content-Range"), "bytes */3000");
                    continue;
                }
                const std::string part = Slice(bytes, c.first, c.last);
                EXPECT_EQ(response.content_length, part.size());
                EXPECT_TRUE(response.body == part);
                const std::string content_range =
                    "bytes " + std::to_string(c.first) + "-" + std::to_string(c.last) + "/3000";
                EXPECT_EQ(response.Field("Content-Range"), c.status == 206 ? content_range : "");
                EXPECT_EQ(response.Field("ETag"), etag);
                EXPECT_EQ(response.Field("Last-Modified"), plain.Field("Last-Modified"));
            }
        }
    }
}

// A file replaced since the download began is sent whole: the client's
// If-Range no longer names it.
TEST(RangeValidatorTest, ARewrittenFileIsSentWhole)
{
    const TempDir dir;
    const std::string release = WriteRelease(dir, "release", kBank, kVersion, kBankHost);
    const ServerProcess server({"--release", release});
    ASSERT_TRUE(server.listening()) << server.Stderr();
    const std::string file = release + "/download/Digest.xml";
    const Get whole{Route::http, AreaTarget("Digest.xml")};
    const Response before = Fetch(server.ports(), whole);
    ASSERT_EQ(before.status, 200u);

    // Another size and another second: each validator changes on its own.
    const std::string rewritten = before.body + "<!-- rewritten -->\n";
    dir.Write("release/download/Digest.xml", rewritten);
    std::filesystem::last_write_time(file, std::filesystem::last_write_time(file) + std::chrono::seconds(10));
    for (const char* validator : {"ETag", "Last-Modified"}) {
        SCOPED_TRACE(validator);
        Get resume = whole;
        resume.headers = {{"Range", "bytes=10-"}, {"If-Range", before.Field(validator)}};
        const Response response = Fetch(server.ports(), resume);
        EXPECT_EQ(response.status, 200u);
        EXPECT_EQ(response.body, rewritten);
        EXPECT_NE(response.Field(validator), before.Field(validator));
    }
}

TEST(DropOnceTest, DropsTheFirstDownloadOnlyAndTheRestCanBeResumed)
{
    std::vector<std::string> args = DemoServerArgs();
    args.insert(args.end(), {"--fault", AreaTarget(kAreaFile) + "=drop-once"});
    const ServerProcess server(args);
    ASSERT_TRUE(server.listening()) << server.Stderr();
    const std::string bytes = TheDemoRelease().Content(kAreaFile);
    const size_t sent_first = kFileSize * 9 / 10;

    const Response dropped = Fetch(server.ports(), {Route::http, AreaTarget(kAreaFile)});
    EXPECT_EQ(dropped.status, 200u);
    EXPECT_EQ(dropped.error, http::error::partial_message) << dropped.error.message();
    EXPECT_EQ(dropped.content_length, kFileSize);
    EXPECT_TRUE(dropped.body == bytes.substr(0, sent_first));

    const Response again = Fetch(server.ports(), {Route::http, AreaTarget(kAreaFile)});
    EXPECT_EQ(again.status, 200u);
    EXPECT_FALSE(again.error) << again.error.message();
    EXPECT_TRUE(again.body == bytes);

    Get resume{Route::http, AreaTarget(kAreaFile)};
    const std::string range = "bytes=" + std::to_string(dropped.body.size()) + "-";
    resume.headers = {{"Range", range}, {"If-Range", dropped.Field("ETag")}};
    const Response rest = Fetch(server.ports(), resume);
    EXPECT_EQ(rest.status, 206u);
    EXPECT_FALSE(rest.error) << rest.error.message();
    EXPECT_TRUE(dropped.body + rest.body == bytes);

    std::vector<Json::Value> lines = server.LogLines();
    ASSERT_EQ(lines.size(), 3u);
    const struct {
        const char* fault;
        size_t bytes;
        const char* range;
        unsigned status;
    } logged[] = {
        {"drop-once", sent_first, nullptr, 200},
        {nullptr, kFileSize, nullptr, 200},
        {nullptr, kFileSize - sent_first, range.c_str(), 206},
    };
    for (size_t i = 0; i < lines.size(); ++i) {
        SCOPED_TRACE(lines[i].toStyledString());
        EXPECT_EQ(lines[i]["fault"], logged[i].fault ? Json::Value(logged[i].fault) : Json::Value());
        EXPECT_EQ(lines[i]["bytes"].asUInt64(), logged[i].bytes);
        EXPECT_EQ(lines[i]["range"], logged[i].range ? Json::Value(logged[i].range) : Json::Value());
        EXPECT_EQ(lines[i]["status"].asUInt(), logged[i].status);
    }
}

// The faults that misanswer a resume: the first answer drops as with
// drop-once, the resume under the first answer's validator gets what the
// mode says.
TEST(ResumeFaultTest, MisanswerTheResumeAfterTheDrop)
{
    const std::string bytes = TheDemoRelease().Content(kAreaFile);
    const std::string reversed(bytes.rbegin(), bytes.rend());
    const size_t held = kFileSize * 9 / 10;
    const std::string rest = "bytes " + std::to_string(held) + "-2999/3000";
    const struct {
        const char* mode;
        const char* validator;  // the first answer's field that If-Range names
        bool first_tagged;      // whether the first answer carries an ETag
        unsigned status;
        std::string content_range;
        std::string body;
        const char* tag;  // of the resume's answer: "same", "other" or "none"
    } cases[] = {
        {"drop-once", "ETag", true, 206, rest, bytes.substr(held), "same"},
        {"drop-once-dated", "Last-Modified", false, 206, rest, bytes.substr(held), "none"},
        {"resume-other-tag", "ETag", true, 206, rest, bytes.substr(held), "other"},
        {"resume-no-tag", "ETag", true, 206, rest, bytes.substr(held), "none"},
        {"resume-wrong-range", "ETag", true, 206, "bytes 2699-2999/3000", bytes.substr(held - 1), "same"},
        {"resume-416", "ETag", true, 416, "bytes */3000", "", "none"},
        {"resume-changed", "ETag", true, 200, "", reversed, "other"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mode);
        std::vector<std::string> args = DemoServerArgs();
        args.insert(args.end(), {"--fault", AreaTarget(kAreaFile) + "=" + c.mode});
        const ServerProcess server(args);
        ASSERT_TRUE(server.listening()) << server.Stderr();

        const Response dropped = Fetch(server.ports(), {Route::http, AreaTarget(kAreaFile)});
        EXPECT_EQ(dropped.status, 200u);
        EXPECT_EQ(dropped.error, http::error::partial_message) << dropped.error.message();
        EXPECT_TRUE(dropped.body == bytes.substr(0, held));
        EXPECT_EQ(dropped.Field("ETag").empty(), !c.first_tagged);
        EXPECT_NE(dropped.Field("Last-Modified"), "");

        Get resume{Route::http, AreaTarget(kAreaFile)};
        resume.headers = {{"Range", "bytes=" + std::to_string(held) + "-"}, {"If-Range", dropped.Field(c.validator)}};
        const Response answer = Fetch(server.ports(), resume);
        EXPECT_EQ(answer.status, c.status);
        EXPECT_FALSE(answer.error) << answer.error.message();
        EXPECT_EQ(answer.Field("Content-Range"), c.content_range);
        if (c.status != 416) {
            EXPECT_TRUE(answer.body == c.body);
        }
        const std::string tag = answer.Field("ETag");
        EXPECT_EQ(tag.empty() ? "none" : tag == dropped.Field("ETag") ? "same" : "other", std::string(c.tag)) << tag;
        if (!tag.empty()) {
            EXPECT_TRUE(tag.size() > 2 && tag.front() == '"' && tag.back() == '"') << tag;
        }
    }
}

}  // namespace
