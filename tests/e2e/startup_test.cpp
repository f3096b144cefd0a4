// Start-up of the real program under Wine: the instance-termination broadcast,
// the single-instance lock and the termination message.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "app/edition.h"
#include "app/instance_names.h"
#include "engine/config.h"
#include "tests/support/program_runner.h"
#include "tests/support/wait_until.h"

namespace {

constexpr DWORD kStartLimitMs = 30000;
constexpr DWORD kQuickExitMs = 15000;
constexpr DWORD kSettleMs = 1500;

std::string ProgramPath()
{
    return TestFolderPath("pellis_811.exe");
}

// A hidden top-level window of the test that records the broadcast.
class BroadcastListener {
public:
    BroadcastListener()
    {
        SetupEdition();
        message_ = ::RegisterWindowMessageA(InstanceMessageName(editionInfo).c_str());
        WNDCLASSA wc{};
        wc.lpfnWndProc = Proc;
        wc.hInstance = ::GetModuleHandleA(nullptr);
        wc.lpszClassName = "PellisTestListener";
        ::RegisterClassA(&wc);
        hwnd_ = ::CreateWindowA(wc.lpszClassName, "listener", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                                wc.hInstance, nullptr);
        ::SetWindowLongPtrA(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    ~BroadcastListener() { ::DestroyWindow(hwnd_); }

    // Pumps messages for `ms`; true when the broadcast arrived with wParam 1, lParam 0.
    bool Received(DWORD ms)
    {
        return WaitUntil(
            [&] {
                MSG msg;
                while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
                    ::DispatchMessageA(&msg);
                return received_;
            },
            ms, 20);
    }

    UINT message() const { return message_; }

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
    {
        auto* self = reinterpret_cast<BroadcastListener*>(::GetWindowLongPtrA(hwnd, GWLP_USERDATA));
        if (self != nullptr && msg == self->message_ && wParam == 1 && lParam == 0)
            self->received_ = true;
        return ::DefWindowProcA(hwnd, msg, wParam, lParam);
    }

    UINT message_ = 0;
    HWND hwnd_ = nullptr;
    bool received_ = false;
};

// A first instance showing its first wizard dialog, holding the lock.
class RunningInstance : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetupEdition();
        first_ = StartProgram(ProgramPath(), "");
        ASSERT_TRUE(first_.process.valid()) << "cannot start " << ProgramPath();
        dialog_ = WaitForWindow(first_, editionInfo.downloaderTitle, kStartLimitMs);
        ASSERT_NE(dialog_, nullptr) << "the first instance shows no dialog";
    }
    void TearDown() override
    {
        if (first_.process.valid() && WaitForExit(first_, 0) == STILL_ACTIVE)
            ::TerminateProcess(first_.process.get(), 1);
    }

    RunningProgram first_;
    HWND dialog_ = nullptr;
};

TEST_F(RunningInstance, TerminateOptionEndsTheRunningInstanceEvenWhileItHoldsTheLock)
{
    BroadcastListener listener;
    RunningProgram sender = StartProgram(ProgramPath(), "-t");
    EXPECT_EQ(WaitForExit(sender, kQuickExitMs), 0u);
    EXPECT_TRUE(listener.Received(kQuickExitMs)) << "no broadcast with wParam 1";
    EXPECT_EQ(WaitForExit(first_, kQuickExitMs), 0u) << "the first instance did not end with exit code 0";
}

// Tails that merely contain "-t" are no option: such a start is a second
// normal instance, which leaves silently and broadcasts nothing.
class InexactTerminateTail : public RunningInstance, public ::testing::WithParamInterface<const char*> {};

TEST_P(InexactTerminateTail, IsASecondInstanceThatLeavesSilently)
{
    BroadcastListener listener;
    RunningProgram second = StartProgram(ProgramPath(), GetParam());
    EXPECT_EQ(WaitForExit(second, kQuickExitMs), 0u);
    EXPECT_FALSE(listener.Received(kSettleMs));
    EXPECT_EQ(WaitForExit(first_, kSettleMs), STILL_ACTIVE) << "the first instance must be untouched";
}

INSTANTIATE_TEST_SUITE_P(Tails, InexactTerminateTail, ::testing::Values("", "-t ", "-t -update", "-T"));

TEST_F(RunningInstance, TerminationMessageWithAnotherWParamIsIgnored)
{
    ::PostMessageA(dialog_, ::RegisterWindowMessageA(InstanceMessageName(editionInfo).c_str()), 2, 0);
    EXPECT_EQ(WaitForExit(first_, kSettleMs * 2), STILL_ACTIVE);
    EXPECT_TRUE(::IsWindow(dialog_));
}

TEST_F(RunningInstance, TerminationMessageWithWParamOneEndsTheProcess)
{
    ::PostMessageA(dialog_, ::RegisterWindowMessageA(InstanceMessageName(editionInfo).c_str()), 1, 0);
    EXPECT_EQ(WaitForExit(first_, kQuickExitMs), 0u);
}

TEST(Startup, TerminateOptionAloneBroadcastsAndLeaves)
{
    BroadcastListener listener;
    RunningProgram sender = StartProgram(ProgramPath(), "-t");
    ASSERT_TRUE(sender.process.valid());
    EXPECT_EQ(WaitForExit(sender, kQuickExitMs), 0u);
    EXPECT_TRUE(listener.Received(kQuickExitMs));
}

}  // namespace
