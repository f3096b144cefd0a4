// The support log's file under Wine: lines from many threads stay whole, the
// cap moves the file to its one older generation, and a log that cannot be
// written costs the caller nothing.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "system/log_line.h"
#include "system/support_log.h"
#include "tests/support/test_files.h"

namespace {

const char kLogFolder[] = "C:\\support-log";

std::string FreshLogPath(const char* name)
{
    ::CreateDirectoryA(kLogFolder, nullptr);
    const std::string path = std::string(kLogFolder) + "\\" + name + ".log";
    ::DeleteFileA(path.c_str());
    ::DeleteFileA(OlderGenerationPath(path).c_str());
    return path;
}

std::vector<std::string> Lines(const std::string& bytes)
{
    std::vector<std::string> lines;
    std::istringstream in(bytes);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// The text after "YYYY-MM-DD hh:mm:ss.mmm [thread] ".
std::string EventOf(const std::string& line)
{
    const size_t close = line.find("] ");
    return close == std::string::npos ? "" : line.substr(close + 2);
}

TEST(SupportLogFile, LinesOfManyThreadsStayWhole)
{
    const std::string path = FreshLogPath("threads");
    constexpr int kThreads = 4;
    constexpr int kLinesEach = 200;
    {
        SupportLogFile log(path, kSupportLogCap);
        std::vector<std::thread> writers;
        for (int t = 0; t < kThreads; ++t)
            writers.emplace_back([&log, t] {
                for (int i = 0; i < kLinesEach; ++i)
                    log.Write("thread " + std::to_string(t) + " line " + std::to_string(i) + " " +
                              std::string(100, 'x'));
            });
        for (std::thread& writer : writers)
            writer.join();
    }
    const std::vector<std::string> lines = Lines(ReadBytes(path));
    ASSERT_EQ(lines.size(), static_cast<size_t>(kThreads * kLinesEach));
    std::vector<int> next(kThreads, 0);
    for (const std::string& line : lines) {
        ASSERT_EQ(line.back(), '\r') << line;
        int thread = -1;
        int index = -1;
        ASSERT_EQ(std::sscanf(EventOf(line).c_str(), "thread %d line %d", &thread, &index), 2) << line;
        ASSERT_GE(thread, 0);
        ASSERT_LT(thread, kThreads);
        // Each thread's lines in its own order, none lost or doubled.
        EXPECT_EQ(index, next[thread]++) << line;
        EXPECT_EQ(EventOf(line), "thread " + std::to_string(thread) + " line " + std::to_string(index) + " " +
                                     std::string(100, 'x') + "\r");
    }
}

TEST(SupportLogFile, TheCapMovesTheFileToItsOlderGeneration)
{
    const std::string path = FreshLogPath("rotation");
    const std::string older = OlderGenerationPath(path);
    WriteFileBytes(older, "a generation before the last\r\n");
    constexpr uint64_t kCap = 300;
    SupportLogFile log(path, kCap);
    // About 75 bytes each: three or four to a file.
    for (int i = 0; i < 10; ++i)
        log.Write("event " + std::to_string(i) + " " + std::string(30, '.'));

    const std::string currentBytes = ReadBytes(path);
    const std::string previousBytes = ReadBytes(older);
    EXPECT_LE(currentBytes.size(), kCap);
    EXPECT_LE(previousBytes.size(), kCap);
    EXPECT_EQ(previousBytes.find("a generation before the last"), std::string::npos) << "only one older generation";
    // The older generation's lines, then the current ones: the latest events in order.
    std::vector<std::string> lines = Lines(previousBytes);
    const std::vector<std::string> current = Lines(currentBytes);
    ASSERT_FALSE(current.empty());
    ASSERT_FALSE(lines.empty());
    lines.insert(lines.end(), current.begin(), current.end());
    const int first = 10 - static_cast<int>(lines.size());
    ASSERT_GT(first, 0) << "older lines were dropped";
    for (size_t i = 0; i < lines.size(); ++i)
        EXPECT_EQ(EventOf(lines[i]), "event " + std::to_string(first + static_cast<int>(i)) + " " +
                                         std::string(30, '.') + "\r");
    // A full file of these lines leaves no room for the next.
    EXPECT_GT(previousBytes.size() + current.front().size() + 1, kCap);
}

// The log lies in the user's temporary folder, and the program runs elevated:
// a second name of another file planted at the log's name is never written into.
TEST(SupportLogFile, APlantedSecondNameIsReplacedNotWrittenInto)
{
    const std::string path = FreshLogPath("planted");
    const std::string elsewhere = std::string(kLogFolder) + "\\elsewhere.txt";
    WriteFileBytes(elsewhere, "a file elsewhere");
    ASSERT_TRUE(::CreateHardLinkA(path.c_str(), elsewhere.c_str(), nullptr));
    SupportLogFile log(path, kSupportLogCap);
    log.Write("first line");
    EXPECT_EQ(ReadBytes(elsewhere), "a file elsewhere");
    EXPECT_EQ(EventOf(Lines(ReadBytes(path)).at(0)), "first line\r");
}

TEST(SupportLogFile, AnUnwritableLogLosesOnlyItsLines)
{
    // A folder stands where the file would be.
    const std::string path = FreshLogPath("blocked");
    ASSERT_TRUE(::CreateDirectoryA(path.c_str(), nullptr));
    SupportLogFile log(path, kSupportLogCap);
    log.Write("lost");
    log.Write("lost too");
    EXPECT_TRUE(IsFolder(path));
    ::RemoveDirectoryA(path.c_str());
    // Once the way is free the next line gets through.
    log.Write("written");
    EXPECT_EQ(EventOf(Lines(ReadBytes(path)).at(0)), "written\r");
}

TEST(SupportLogFile, ReadersAndOtherWritersShareTheFile)
{
    const std::string path = FreshLogPath("shared");
    SupportLogFile first(path, kSupportLogCap);
    SupportLogFile second(path, kSupportLogCap);
    first.Write("from the first");
    second.Write("from the second");
    first.Write("from the first again");
    const std::vector<std::string> lines = Lines(ReadBytes(path));
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(EventOf(lines[0]), "from the first\r");
    EXPECT_EQ(EventOf(lines[1]), "from the second\r");
    EXPECT_EQ(EventOf(lines[2]), "from the first again\r");
}

}  // namespace
