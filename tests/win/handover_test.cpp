// The hand-over steps under Wine: the message on the assistant's pipe, against
// a pipe server of the test's own, and the copy of staged files into place.
#include <gtest/gtest.h>

#include <windows.h>
#include <shlwapi.h>

#include <string>

#include "app/edition.h"
#include "engine/config.h"
#include "engine/handover.h"
#include "engine/run_mode.h"
#include "engine/update_context.h"
#include "system/handles.h"
#include "tests/stand_ins/assistant_stand_in.h"
#include "tests/support/test_files.h"

namespace {

// One instance of the assistant's pipe. It listens before the message is sent
// (overlapped), so the client finds it waiting, as it finds the assistant.
class PipeServer {
public:
    PipeServer()
        : pipe_(::CreateNamedPipeA(kAssistantPipe, PIPE_ACCESS_INBOUND | FILE_FLAG_OVERLAPPED,
                                   PIPE_TYPE_BYTE | PIPE_WAIT, 1, 0, 4096, 0, nullptr)),
          event_(::CreateEventA(nullptr, TRUE, FALSE, nullptr))
    {
        overlapped_.hEvent = event_.get();
    }
    bool valid() const { return pipe_.valid() && event_.valid(); }

    bool Listen()
    {
        if (::ConnectNamedPipe(pipe_.get(), &overlapped_))
            return true;
        const DWORD error = ::GetLastError();
        pending_ = error == ERROR_IO_PENDING;
        return pending_ || error == ERROR_PIPE_CONNECTED;
    }

    // The bytes of the client, read until it has closed its end.
    std::string Receive()
    {
        DWORD count = 0;
        if (pending_ && !::GetOverlappedResult(pipe_.get(), &overlapped_, &count, TRUE))
            return "(no client)";
        std::string bytes;
        char buffer[256];
        for (;;) {
            ::ResetEvent(event_.get());
            if (!::ReadFile(pipe_.get(), buffer, sizeof buffer, nullptr, &overlapped_) &&
                ::GetLastError() != ERROR_IO_PENDING)
                break;
            if (!::GetOverlappedResult(pipe_.get(), &overlapped_, &count, TRUE) || count == 0)
                break;
            bytes.append(buffer, count);
        }
        return bytes;
    }

private:
    UniqueHandle pipe_;
    UniqueHandle event_;
    OVERLAPPED overlapped_{};
    bool pending_ = false;
};

struct MessageCase {
    const char* command;
    const char* argument;
    std::string bytes;
};

class AssistantMessage : public ::testing::TestWithParam<MessageCase> {};

TEST_P(AssistantMessage, IsWrittenAsOneBlockWithoutTerminatingZero)
{
    PipeServer server;
    ASSERT_TRUE(server.valid());
    ASSERT_TRUE(server.Listen());
    EXPECT_EQ(SendAssistantCommand(GetParam().command, GetParam().argument), 1);
    EXPECT_EQ(server.Receive(), GetParam().bytes);
}

INSTANTIATE_TEST_SUITE_P(Commands, AssistantMessage,
                         ::testing::Values(MessageCase{"UpdatePopCmd", "", "KORVA_PopUpdatePopCmd||"},
                                           MessageCase{"ShowCmd", "page=2", "KORVA_PopShowCmd||page=2"}));

TEST(AssistantMessageUndelivered, NoAssistantListening)
{
    EXPECT_EQ(SendAssistantCommand("UpdatePopCmd", ""), 0);
}

// The only instance is taken by another client: no wait for it to come free.
TEST(AssistantMessageUndelivered, AllInstancesBusyFailsAtOnce)
{
    PipeServer server;
    ASSERT_TRUE(server.valid());
    UniqueHandle other(::CreateFileA(kAssistantPipe, GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(other.valid());
    const DWORD start = ::GetTickCount();
    EXPECT_EQ(SendAssistantCommand("UpdatePopCmd", ""), 0);
    EXPECT_LT(::GetTickCount() - start, 1000u);
}

class StagedFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetupEdition();
        RemoveTree(root_);
        MakeFolders(root_ + "\\DownLoad\\Data");
        MakeFolders(root_ + "\\Data");
    }
    void TearDown() override { RemoveTree(root_); }
    int Copy(RunMode runMode)
    {
        CUpdateContext context(nullptr, editionInfo.groupCode, runMode, "https://bank.example/811", kOfferUpdate, "2.0.0.7",
                               root_);
        return CopyStagedFiles(context);
    }
    std::string Read(const std::string& relative)
    {
        std::string bytes;
        return ReadFileBytes(root_ + "\\" + relative, &bytes) ? bytes : "(missing)";
    }
    void Put(const std::string& relative, const std::string& bytes)
    {
        ASSERT_TRUE(WriteFileBytes(root_ + "\\" + relative, bytes)) << relative;
    }
    const std::string root_ = "C:\\pellis-test\\staged files";
};

TEST_F(StagedFiles, TopLevelAndSubfolderFilesReplaceTheInstalledOnes)
{
    Put("b.xml", "old b");
    Put("Data\\a.dll", "old a");
    Put("DownLoad\\b.xml", "new b");
    Put("DownLoad\\Data\\a.dll", "new a");
    EXPECT_EQ(Copy(kRunModeUpdate), 1);
    EXPECT_EQ(Read("b.xml"), "new b");
    EXPECT_EQ(Read("Data\\a.dll"), "new a");
    EXPECT_EQ(Read("DownLoad\\b.xml"), "new b") << "the staged copy stays until the staging folder is purged";
}

// Only "." and ".." are passed over: files and folders whose names begin with
// a dot are copied like any other, and a staged folder the installation lacks
// is made there.
TEST_F(StagedFiles, NamesBeginningWithADotAreCopiedLikeAnyOther)
{
    MakeFolders(root_ + "\\DownLoad\\.cache\\..deep");
    MakeFolders(root_ + "\\.cache");
    Put("DownLoad\\.cache\\x.bin", "cached");
    Put("DownLoad\\.cache\\..deep\\.z", "deep");
    Put("DownLoad\\Data\\.w", "hidden");
    Put("DownLoad\\b.xml", "new b");
    EXPECT_EQ(Copy(kRunModeRepair), 1);
    EXPECT_EQ(Read("b.xml"), "new b");
    EXPECT_EQ(Read(".cache\\x.bin"), "cached");
    EXPECT_EQ(Read(".cache\\..deep\\.z"), "deep");
    EXPECT_EQ(Read("Data\\.w"), "hidden");
}

// A staged folder, even an empty one the purge kept, that the installation
// lacks does not end the update: it is made.
TEST_F(StagedFiles, AStagedFolderTheInstallationLacksIsMade)
{
    MakeFolders(root_ + "\\DownLoad\\Extra\\Empty");
    Put("DownLoad\\Extra\\e.txt", "extra");
    EXPECT_EQ(Copy(kRunModeUpdate), 1);
    EXPECT_EQ(Read("Extra\\e.txt"), "extra");
    EXPECT_TRUE(::PathIsDirectoryA((root_ + "\\Extra\\Empty").c_str()));
}

// The running downloader cannot be overwritten; it is renamed first.
TEST_F(StagedFiles, TheDownloadersOwnFileIsMovedAsideFirst)
{
    Put("pellis_811.exe", "running downloader");
    Put("pellis_old.exe", "earlier downloader");
    Put("DownLoad\\pellis_811.exe", "new downloader");
    EXPECT_EQ(Copy(kRunModeUpdate), 1);
    EXPECT_EQ(Read("pellis_811.exe"), "new downloader");
    EXPECT_EQ(Read("pellis_old.exe"), "running downloader");
}

// Windows names the running program in any letter case, and only the one in
// the install folder itself is the downloader.
TEST_F(StagedFiles, TheDownloadersOwnFileIsMovedAsideInAnyLetterCaseAtTheTopOnly)
{
    MakeFolders(root_ + "\\Tools");
    MakeFolders(root_ + "\\DownLoad\\Tools");
    Put("pellis_811.exe", "running downloader");
    Put("Tools\\pellis_811.exe", "a tool of that name");
    Put("DownLoad\\PELLIS_811.EXE", "new downloader");
    Put("DownLoad\\Tools\\pellis_811.exe", "a new tool of that name");
    EXPECT_EQ(Copy(kRunModeUpdate), 1);
    EXPECT_EQ(Read("pellis_old.exe"), "running downloader");
    EXPECT_EQ(Read("pellis_811.exe"), "new downloader");
    EXPECT_EQ(Read("Tools\\pellis_811.exe"), "a new tool of that name");
}

// A second name planted in the install folder for a file elsewhere: the copy
// makes a new file in its place and leaves the other one alone.
TEST_F(StagedFiles, ATargetWithASecondNameIsReplacedNotWrittenInto)
{
    const std::string elsewhere = "C:\\pellis-test\\elsewhere.dll";
    ASSERT_TRUE(WriteFileBytes(elsewhere, "a file elsewhere"));
    ::DeleteFileA((root_ + "\\Data\\a.dll").c_str());
    ASSERT_TRUE(::CreateHardLinkA((root_ + "\\Data\\a.dll").c_str(), elsewhere.c_str(), nullptr));
    Put("DownLoad\\Data\\a.dll", "new a");
    EXPECT_EQ(Copy(kRunModeUpdate), 1);
    EXPECT_EQ(Read("Data\\a.dll"), "new a");
    std::string bytes;
    EXPECT_TRUE(ReadFileBytes(elsewhere, &bytes));
    EXPECT_EQ(bytes, "a file elsewhere");
}

TEST_F(StagedFiles, FirstInstallationCopiesNothing)
{
    Put("DownLoad\\b.xml", "new b");
    EXPECT_EQ(Copy(kRunModeInstall), 1);
    EXPECT_EQ(Read("b.xml"), "(missing)");
}

TEST_F(StagedFiles, MissingStagingFolderCannotBeListed)
{
    RemoveTree(root_ + "\\DownLoad");
    EXPECT_EQ(Copy(kRunModeUpdate), 0);
}

}  // namespace
