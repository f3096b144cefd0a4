// DownloadFile under Wine against pellis-server, reached through the prefix's
// proxy. Suites map to server set-ups in tests/CMakeLists.txt; attempts are
// counted in the server's request log.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <map>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "engine/fetch_pool.h"
#include "engine/file_download.h"
#include "res/resource.h"
#include "system/log_line.h"
#include "tests/support/server_log.h"
#include "tests/support/support_log_text.h"
#include "tests/support/test_files.h"
#include "tests/support/wait_until.h"
#include "tests/win/dialog_host.h"

namespace {

const char kBank[] = "http://bank.example";
const char kFolder[] = "C:\\download";
const char kOldContent[] = "the file from before";
const std::string kBodyDigest = "4uaEGLGZk0MplhVM4lL7D/8F0dM=";  // tests/fixtures/http/body10000.bin
const std::string kAbcDigest = "qZk+NkcGgWq6PiVxeFDCbJzQ2J0=";
const std::string kBodySha256 = "D4QFxjb4bGuLOE9mLm+BPToSImtZV4SteBCaWrElzGM=";
const std::string kAbcSha256 = "ungWv48Bz+pBQUDeXa4iI7ADYaOWF3qctBD/YfIAFa0=";

std::string Body()
{
    return ReadBytes(SourceFile("tests/fixtures/http/body10000.bin"));
}

size_t RequestsFor(const std::string& path)
{
    size_t count = 0;
    for (const LoggedRequest& request : ReadServerLog())
        count += request.path == path ? 1 : 0;
    return count;
}

std::string Target(const std::string& name)
{
    ::CreateDirectoryA(kFolder, nullptr);
    return std::string(kFolder) + "\\" + name;
}

struct DownloadCase {
    const char* why;
    std::string url;         // below the bank's host
    const char* oldContent;  // of a file already at the target, or null
    FileDigests digests;  // as a manifest entry lists them
    int result;
    size_t attempts;
    std::string content;  // at the target afterwards
};

std::ostream& operator<<(std::ostream& out, const DownloadCase& c)
{
    return out << c.why;
}

class DownloadFileTable : public ::testing::TestWithParam<DownloadCase> {};

TEST_P(DownloadFileTable, FetchesOrLeavesTheTargetAlone)
{
    const DownloadCase& c = GetParam();
    std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    std::replace(name.begin(), name.end(), '/', '-');
    const std::string target = Target(name);
    ::DeleteFileA(target.c_str());
    if (c.oldContent != nullptr)
        WriteFileBytes(target, c.oldContent);
    const std::string path = c.url.substr(0, c.url.find('?'));
    const size_t before = RequestsFor(path);

    EXPECT_EQ(DownloadFile(kBank + c.url, target, nullptr, c.digests), c.result);
    EXPECT_EQ(RequestsFor(path) - before, c.attempts);
    EXPECT_EQ(ReadBytes(target), c.content);
    EXPECT_FALSE(Exists(target + ".part"));
}

INSTANTIATE_TEST_SUITE_P(
    DownloadFile, DownloadFileTable,
    ::testing::Values(
        DownloadCase{"whole body", "/body10000", nullptr, {}, 1, 1, Body()},
        DownloadCase{"whole body of the listed digest replaces the old file", "/body10000", kOldContent,
                     {kBodyDigest}, 1, 1, Body()},
        DownloadCase{"whole body of both listed digests", "/body10000", kOldContent, {kBodyDigest, kBodySha256}, 1,
                     1, Body()},
        DownloadCase{"body of another digest", "/body10000", kOldContent, {kAbcDigest}, 0, 5, kOldContent},
        // What a SHA-1 collision would look like: the listed SHA-1, another SHA-256.
        DownloadCase{"body of the listed SHA-1 but another SHA-256", "/body10000", kOldContent,
                     {kBodyDigest, kAbcSha256}, 0, 5, kOldContent},
        DownloadCase{"body cut short", "/truncated", nullptr, {}, 0, 5, "<missing>"},
        DownloadCase{"body cut short, old file", "/truncated", kOldContent, {}, 0, 5, kOldContent},
        DownloadCase{"more announced than sent", "/longer", nullptr, {}, 0, 5, "<missing>"},
        // Only a close ends such a body, and a connection lost early closes
        // it too: no length, no way to tell a whole body from part of one.
        DownloadCase{"no Content-Length, the body ended by a close", "/unannounced", nullptr, {}, 0, 5, "<missing>"},
        DownloadCase{"no Content-Length, body of the listed digest", "/unannounced", kOldContent, {kBodyDigest}, 0, 5,
                     kOldContent},
        DownloadCase{"404, no file", "/gone", nullptr, {}, 0, 5, "<missing>"},
        DownloadCase{"404, a file there", "/gone", kOldContent, {}, 1, 1, kOldContent},
        DownloadCase{"404, a file of another digest", "/gone", kOldContent, {kAbcDigest}, 0, 5, kOldContent},
        DownloadCase{"404, a file of the listed digest", "/gone", "abc", {kAbcDigest}, 1, 1, "abc"},
        DownloadCase{"404, a file of both listed digests", "/gone", "abc", {kAbcDigest, kAbcSha256}, 1, 1, "abc"},
        DownloadCase{"404, a file of the listed SHA-1 but another SHA-256", "/gone", "abc",
                     {kAbcDigest, kBodySha256}, 0, 5, "abc"},
        DownloadCase{"Content-Length 0", "/empty", nullptr, {}, 1, 1, ""}));

TEST(DownloadFile, OverHttpsWithASelfSignedCertificate)
{
    const std::string target = Target("https");
    const size_t before = RequestsFor("/body10000");
    EXPECT_EQ(DownloadFile("https://bank.example/body10000", target, nullptr, {kBodyDigest}), 1);
    EXPECT_EQ(RequestsFor("/body10000") - before, 1u);
    EXPECT_EQ(ReadBytes(target), Body());
}

// A ".part" planted as a second name of a file elsewhere: the download makes
// a new file and never writes into the other one.
TEST(DownloadFile, APlantedPartFileIsNotWrittenInto)
{
    const std::string target = Target("planted");
    const std::string elsewhere = Target("elsewhere.txt");
    WriteFileBytes(elsewhere, "a file elsewhere");
    ::DeleteFileA((target + ".part").c_str());
    ASSERT_TRUE(::CreateHardLinkA((target + ".part").c_str(), elsewhere.c_str(), nullptr));
    EXPECT_EQ(DownloadFile(std::string(kBank) + "/body10000", target, nullptr, {kBodyDigest}), 1);
    EXPECT_EQ(ReadBytes(target), Body());
    EXPECT_EQ(ReadBytes(elsewhere), "a file elsewhere");
}

// Records what a download reports, for the sizes of its reads.
class ProgressRecorder : public CBindCallback {
public:
    ProgressRecorder() : CBindCallback(nullptr) {}
    HRESULT STDMETHODCALLTYPE OnProgress(ULONG progress, ULONG progressMax, ULONG statusCode, LPCWSTR) override
    {
        if (statusCode == BINDSTATUS_CONNECTING)
            ++attempts;
        else
            reports.emplace_back(progress, progressMax);
        return S_OK;
    }
    std::vector<std::pair<ULONG, ULONG>> reports;
    int attempts = 0;
};

TEST(DownloadFile, ReportsEveryReadOfAtMostOneChunk)
{
    const ULONG size = 1000000;  // written by tests/CMakeLists.txt
    ProgressRecorder recorder;
    ASSERT_EQ(DownloadFile(std::string(kBank) + "/body1000000", Target("reads"), &recorder), 1);
    EXPECT_EQ(recorder.attempts, 1);
    ASSERT_GE(recorder.reports.size(), (size + kDownloadReadChunk - 1) / kDownloadReadChunk);
    ULONG previous = 0;
    for (const auto& [received, total] : recorder.reports) {
        EXPECT_EQ(total, size);
        EXPECT_GT(received, previous);
        EXPECT_LE(received - previous, kDownloadReadChunk);
        previous = received;
    }
    EXPECT_EQ(previous, size);
}

std::string SeveralReads()
{
    std::string body;
    for (int i = 0; i < 62500; ++i)
        body += "0123456789abcdef";  // as tests/CMakeLists.txt writes body1000000
    return body;
}

FileDigests DigestsOf(const std::string& bytes)
{
    CContentDigest sha1;
    CContentDigest sha256(DigestKind::Sha256);
    sha1.Update(bytes.data(), bytes.size());
    sha256.Update(bytes.data(), bytes.size());
    return {sha1.Finish(), sha256.Finish()};
}

std::string HeaderOf(const LoggedRequest& request, const std::string& name)
{
    for (const auto& [header, value] : request.headers) {
        if (_stricmp(header.c_str(), name.c_str()) == 0)
            return value;
    }
    return "(none)";
}

// The server breaks the first answer off at nine tenths of the body. The next
// attempt asks for the rest under the first answer's entity tag, the file bar
// goes on from where it was, and the digests cover the whole file.
TEST(DownloadFile, ResumesAConnectionThatBrokeOff)
{
    const std::string body = SeveralReads();
    const std::string target = Target("resumed");
    const size_t before = ReadServerLog().size();
    ProgressRecorder recorder;
    ASSERT_EQ(DownloadFile(std::string(kBank) + "/dropped", target, &recorder, DigestsOf(body)), 1);
    EXPECT_EQ(ReadBytes(target), body);
    EXPECT_FALSE(Exists(target + ".part"));

    const std::vector<LoggedRequest> log = ReadServerLog();
    std::vector<LoggedRequest> requests;
    for (size_t i = before; i < log.size(); ++i) {
        if (log[i].path == "/dropped")
            requests.push_back(log[i]);
    }
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].status, 200);
    EXPECT_EQ(requests[0].bytes, 900000u);
    EXPECT_EQ(HeaderOf(requests[1], "Range"), "bytes=900000-");
    EXPECT_EQ(HeaderOf(requests[1], "If-Range").front(), '"') << "the entity tag, the stronger validator";
    EXPECT_EQ(requests[1].status, 206);
    EXPECT_EQ(requests[1].bytes, 100000u);

    EXPECT_EQ(recorder.attempts, 2);
    ASSERT_FALSE(recorder.reports.empty());
    EXPECT_EQ(recorder.reports.back(), std::make_pair(ULONG{1000000}, ULONG{1000000}));
    ULONG previous = 0;
    for (const auto& [received, total] : recorder.reports) {
        EXPECT_GT(received, previous) << "the bar never starts over";
        previous = received;
    }
}

std::string Reversed(const std::string& bytes)
{
    return std::string(bytes.rbegin(), bytes.rend());
}

// The first answer breaks off at nine tenths; how the server answers the
// resume (tests/CMakeLists.txt names each path's fault) decides whether the
// held bytes are continued or the file is fetched whole again.
struct ResumeCase {
    const char* why;
    std::string path;
    bool listed;            // whether the download has the listed digests
    bool changedFile;       // whether the whole file in the end is the changed one
    std::vector<std::string> ranges;  // of each request, in order
};

std::ostream& operator<<(std::ostream& out, const ResumeCase& c)
{
    return out << c.why;
}

class ResumedDownload : public ::testing::TestWithParam<ResumeCase> {};

TEST_P(ResumedDownload, ContinuesOnlyTheSameVersion)
{
    const ResumeCase& c = GetParam();
    const std::string body = c.changedFile ? Reversed(SeveralReads()) : SeveralReads();
    const std::string target = Target(c.path.substr(1));
    const size_t before = ReadServerLog().size();
    EXPECT_EQ(DownloadFile(std::string(kBank) + c.path, target, nullptr, c.listed ? DigestsOf(body) : FileDigests()),
              1);
    EXPECT_TRUE(ReadBytes(target) == body);
    EXPECT_FALSE(Exists(target + ".part"));

    const std::vector<LoggedRequest> log = ReadServerLog();
    std::vector<std::string> ranges;
    for (size_t i = before; i < log.size(); ++i) {
        if (log[i].path == c.path)
            ranges.push_back(HeaderOf(log[i], "Range"));
    }
    EXPECT_EQ(ranges, c.ranges);
}

const std::vector<std::string> kResumed = {"(none)", "bytes=900000-"};
const std::vector<std::string> kStartedAgain = {"(none)", "bytes=900000-", "(none)"};
const std::vector<std::string> kNeverResumed = {"(none)", "(none)"};

INSTANTIATE_TEST_SUITE_P(
    DownloadFile, ResumedDownload,
    ::testing::Values(ResumeCase{"206 under the same tag", "/resume-same", true, false, kResumed},
                      ResumeCase{"206 under another tag", "/resume-other-tag", true, false, kStartedAgain},
                      ResumeCase{"206 without a tag", "/resume-no-tag", true, false, kStartedAgain},
                      ResumeCase{"200 with a changed body", "/resume-changed", true, true, kResumed},
                      ResumeCase{"416", "/resume-416", true, false, kStartedAgain},
                      ResumeCase{"206 of another range", "/resume-wrong-range", true, false, kStartedAgain},
                      ResumeCase{"a date but no tag to go by", "/resume-dated", true, false, kNeverResumed},
                      ResumeCase{"no listed digest", "/resume-unlisted", false, false, kNeverResumed}));

// A sink that gives the download up at one of its reports.
class AbandoningSink : public CProgressSink {
public:
    explicit AbandoningSink(ULONG abandonAt) : abandonAt_(abandonAt) {}
    HRESULT STDMETHODCALLTYPE OnProgress(ULONG, ULONG, ULONG statusCode, LPCWSTR) override
    {
        return statusCode == abandonAt_ ? E_ABORT : S_OK;
    }

private:
    ULONG abandonAt_;
};

struct AbandonCase {
    const char* why;
    ULONG abandonAt;  // the status code of the report that is answered E_ABORT
    size_t requests;
};

std::ostream& operator<<(std::ostream& out, const AbandonCase& c)
{
    return out << c.why;
}

class AbandonedDownload : public ::testing::TestWithParam<AbandonCase> {};

TEST_P(AbandonedDownload, EndsAtOnceAndLeavesNothing)
{
    const std::string target = Target(std::string("abandoned-") + std::to_string(GetParam().abandonAt));
    const size_t before = RequestsFor("/body1000000");
    AbandoningSink sink(GetParam().abandonAt);
    EXPECT_EQ(DownloadFile(std::string(kBank) + "/body1000000", target, &sink), 0);
    EXPECT_EQ(RequestsFor("/body1000000") - before, GetParam().requests);
    EXPECT_FALSE(Exists(target));
    EXPECT_FALSE(Exists(target + ".part"));
}

INSTANTIATE_TEST_SUITE_P(DownloadFile, AbandonedDownload,
                         ::testing::Values(AbandonCase{"before the request", BINDSTATUS_CONNECTING, 0},
                                           AbandonCase{"at the first bytes", kDataReport, 1}));

// A sink that closes every request the moment it is handed over, as the pool
// does once it has given its downloads up.
class ClosingSink : public CProgressSink {
public:
    HRESULT STDMETHODCALLTYPE OnProgress(ULONG, ULONG, ULONG, LPCWSTR) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnStartBinding(DWORD, IBinding* request) override
    {
        ++requests;
        return request->Abort();
    }
    HRESULT STDMETHODCALLTYPE OnStopBinding(HRESULT, LPCWSTR) override { return S_OK; }
    int requests = 0;
};

TEST(DownloadFile, AClosedRequestSendsNothingAndSaysWhy)
{
    const std::string target = Target("closed");
    const char kReason[] = "the request was closed: its download was given up";
    const size_t before = RequestsFor("/body10000");
    const size_t reasonsBefore = SupportLogLinesWith(ThisProgramPath(), kReason);
    ClosingSink sink;
    EXPECT_EQ(DownloadFile(std::string(kBank) + "/body10000", target, &sink), 0);
    EXPECT_EQ(sink.requests, 5);
    EXPECT_EQ(RequestsFor("/body10000") - before, 0u);
    EXPECT_EQ(SupportLogLinesWith(ThisProgramPath(), kReason) - reasonsBefore, 5u);
    EXPECT_FALSE(Exists(target));
    EXPECT_FALSE(Exists(target + ".part"));
}

TEST(DownloadFile, ProgressReachesTheDialogsPerFileControls)
{
    const DialogHost host;
    ASSERT_EQ(DownloadFile(std::string(kBank) + "/body10000", Target("quiet"), nullptr), 1);
    EXPECT_EQ(host.Text(IDC_FILE_PERCENT), "");
    EXPECT_EQ(host.BarPosition(IDC_FILE_BAR), 0);

    CBindCallback progress(host.hwnd());
    ASSERT_EQ(DownloadFile(std::string(kBank) + "/body10000", Target("shown"), &progress), 1);
    EXPECT_EQ(host.Text(IDC_FILE_PERCENT), "100.00%");
    EXPECT_EQ(host.BarUpper(IDC_FILE_BAR), 10000);
    EXPECT_EQ(host.BarPosition(IDC_FILE_BAR), 10000);

    progress.OnProgress(3750, 10000, 0, nullptr);
    EXPECT_EQ(host.Text(IDC_FILE_PERCENT), "37.50%");
    progress.OnProgress(5, 0, 0, nullptr);  // an unknown total
    EXPECT_EQ(host.Text(IDC_FILE_PERCENT), "0.00%");
}

TEST(DownloadFile, OnlyProgressDoesAnything)
{
    CBindCallback callback(nullptr);
    void* object = nullptr;
    EXPECT_EQ(callback.QueryInterface(IID_IUnknown, &object), E_NOTIMPL);
    EXPECT_EQ(callback.AddRef(), 0u);
    EXPECT_EQ(callback.Release(), 0u);
    EXPECT_EQ(callback.OnStartBinding(0, nullptr), E_NOTIMPL);
    EXPECT_EQ(callback.GetPriority(nullptr), E_NOTIMPL);
    EXPECT_EQ(callback.OnLowResource(0), E_NOTIMPL);
    EXPECT_EQ(callback.OnStopBinding(S_OK, nullptr), E_NOTIMPL);
    EXPECT_EQ(callback.GetBindInfo(nullptr, nullptr), E_NOTIMPL);
    EXPECT_EQ(callback.OnDataAvailable(0, 0, nullptr, nullptr), E_NOTIMPL);
    EXPECT_EQ(callback.OnObjectAvailable(IID_IUnknown, nullptr), E_NOTIMPL);
}

TEST(DownloadFile, StalePartFileNeverBecomesTheResult)
{
    const std::string target = Target("stale");
    WriteFileBytes(target + ".part", std::string(20000, 'x'));  // left by a killed run
    EXPECT_EQ(DownloadFile(std::string(kBank) + "/gone", target, nullptr), 0);
    EXPECT_FALSE(Exists(target));

    EXPECT_EQ(DownloadFile(std::string(kBank) + "/body10000", target, nullptr, {kBodyDigest}), 1);
    EXPECT_EQ(ReadBytes(target), Body());
    EXPECT_FALSE(Exists(target + ".part"));
}

TEST(DownloadFile, OtherSchemesFailWithoutTraffic)
{
    const size_t before = ReadServerLog().size();
    const std::string target = Target("scheme");
    EXPECT_EQ(DownloadFile("ftp://bank.example/body10000", target, nullptr), 0);
    EXPECT_EQ(DownloadFile("file:///C:/windows/win.ini", target, nullptr), 0);
    EXPECT_EQ(DownloadFile("not a url", target, nullptr), 0);
    EXPECT_EQ(ReadServerLog().size(), before);
    EXPECT_FALSE(Exists(target));
}

// Takes every free stretch of the address space of at least 1 MiB, so that no
// thread can get a stack (2 MiB are reserved for each), and gives it back.
class AddressSpaceHeld {
public:
    AddressSpaceHeld()
    {
        for (SIZE_T size = SIZE_T{1} << 30; size >= (SIZE_T{1} << 20); size /= 2) {
            while (void* block = ::VirtualAlloc(nullptr, size, MEM_RESERVE, PAGE_NOACCESS))
                blocks_.push_back(block);
        }
    }
    ~AddressSpaceHeld()
    {
        for (void* block : blocks_)
            ::VirtualFree(block, 0, MEM_RELEASE);
    }
    AddressSpaceHeld(const AddressSpaceHeld&) = delete;
    AddressSpaceHeld& operator=(const AddressSpaceHeld&) = delete;

private:
    std::vector<void*> blocks_;
};

// A download for which no thread can be made fails as a download, and the
// process goes on: the thread's exception once ended it.
TEST(DownloadFile, WithoutAThreadTheDownloadFails)
{
    std::vector<FetchEnd> ends;
    const size_t before = RequestsFor("/body10000");
    {
        CFetchPool pool;
        const AddressSpaceHeld held;
        pool.Start({7, std::string(kBank) + "/body10000", Target("no-thread"), {kBodyDigest}});
        ends = pool.Collect(0);
    }
    ASSERT_EQ(ends.size(), 1u);
    EXPECT_EQ(ends[0].id, 7);
    EXPECT_FALSE(ends[0].fetched);
    EXPECT_EQ(RequestsFor("/body10000"), before);
    EXPECT_FALSE(Exists(Target("no-thread")));
}

// One attempt against a server that accepts the request and never answers
// ends after the receive time-out: Wine applies none of its own.
TEST(DownloadSilent, AttemptEndsAfterTheReceiveTimeOut)
{
    const std::string target = Target("silent");
    const DWORD start = ::GetTickCount();
    const int result = DownloadAttempt(std::string(kBank) + "/silent", target, nullptr, {});
    const DWORD elapsed = ::GetTickCount() - start;
    // Windows reports the time-out (2); Wine reports it as a closed connection (1).
    EXPECT_NE(result, kAttemptDone);
    EXPECT_GE(elapsed, 25000u);
    EXPECT_LT(elapsed, 90000u);
    EXPECT_FALSE(Exists(target));
}

// Downloads side by side: one that waits on a silent server holds none of
// the others back, and once abandoned it is over for the pool at once and
// never tries again.
TEST(DownloadSilent, OthersFinishBesideOneThatWaitsAndTheAbandonedOneEnds)
{
    const size_t silentBefore = RequestsFor("/silent");
    CFetchPool pool;
    pool.Start({0, std::string(kBank) + "/silent", Target("pool-silent"), {}});
    pool.Start({1, std::string(kBank) + "/body10000", Target("pool-small"), {kBodyDigest}});
    pool.Start({2, std::string(kBank) + "/body1000000", Target("pool-large"), DigestsOf(SeveralReads())});
    std::map<int, bool> ended;
    const auto collect = [&] {
        for (const FetchEnd& end : pool.Collect(1000))
            ended[end.id] = end.fetched;
    };
    // Collect waits for the ends, so the waits below need no pause of their own.
    WaitUntil(
        [&] {
            if (ended.size() >= 2)
                return true;
            collect();
            return false;
        },
        60000, 0);
    EXPECT_EQ(ended, (std::map<int, bool>{{1, true}, {2, true}}));
    EXPECT_TRUE(pool.Fetching(Target("pool-silent")));
    EXPECT_TRUE(pool.Fetching(Target("POOL-SILENT"))) << "one file to Windows, one \".part\"";
    EXPECT_EQ(ReadBytes(Target("pool-large")), SeveralReads());

    pool.AbandonAll();
    WaitUntil(
        [&] {
            if (pool.Idle())
                return true;
            collect();
            return false;
        },
        120000, 0);
    EXPECT_EQ(ended[0], false);
    EXPECT_EQ(RequestsFor("/silent") - silentBefore, 1u);
    EXPECT_FALSE(Exists(Target("pool-silent")));
}

}  // namespace
