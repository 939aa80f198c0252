// Starting, refusing a second copy, "Close" starts, the hidden main window
// and its close: the real program, started as a user would.
#include <gtest/gtest.h>

#include <algorithm>
#include <utility>
#include <vector>

#include <windows.h>
#include <tlhelp32.h>

#include "ProgramHarness.h"
#include "WindowWatch.h"
#include "framework/Handles.h"

namespace e2e {
namespace {

const std::string kEnableLine = "[VaskHotkey]Enable VaskHotkey to control Volume\n";
const std::string kLeaveHotkeyMode = "KervoEvaluate(0x59, [91], 1, null, 0) -> 1";

// Every thread of a process stopped, as in a copy that hangs, until the
// object goes.
class SuspendedThreads {
public:
    explicit SuspendedThreads(DWORD pid) {
        const HANDLE taken = ::CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
        if (taken == INVALID_HANDLE_VALUE) {
            return;
        }
        const UniqueKernelHandle snapshot(taken);
        THREADENTRY32 entry{};
        entry.dwSize = sizeof(entry);
        for (BOOL more = ::Thread32First(snapshot.get(), &entry); more; more = ::Thread32Next(snapshot.get(), &entry)) {
            if (entry.th32OwnerProcessID != pid) {
                continue;
            }
            UniqueKernelHandle thread(::OpenThread(THREAD_SUSPEND_RESUME, FALSE, entry.th32ThreadID));
            if (thread && ::SuspendThread(thread.get()) != static_cast<DWORD>(-1)) {
                m_threads.push_back(std::move(thread));
            }
        }
    }
    SuspendedThreads(const SuspendedThreads&) = delete;
    SuspendedThreads& operator=(const SuspendedThreads&) = delete;
    ~SuspendedThreads() { Resume(); }
    size_t Count() const { return m_threads.size(); }
    void Resume() {
        for (const UniqueKernelHandle& thread : m_threads) {
            ::ResumeThread(thread.get());
        }
        m_threads.clear();
    }

private:
    std::vector<UniqueKernelHandle> m_threads;
};

class Startup : public ::testing::Test {
protected:
    void SetUp() override { CloseAnyRunningProgram(); }
    void TearDown() override { CloseAnyRunningProgram(); }

    FreshNotebook machine;
};

TEST_F(Startup, RunsHiddenInHotkeyModeAndCloseEndsIt) {
    ProgramRun program;
    ASSERT_TRUE(program.Start());
    ASSERT_NE(program.WaitForMainWindow(), nullptr);
    EXPECT_EQ(program.Lines(), StartLines());
    EXPECT_EQ(machine.NewCalls(), StartCalls()) << "hotkey mode before anything else";
    // Registered once with the system's restart service: no arguments, and
    // not after a crash, a hang or a reboot.
    std::vector<observe::SystemCall> restarts;
    for (const observe::SystemCall& call : program.SystemCalls()) {
        if (call.function == "RegisterApplicationRestart") {
            restarts.push_back(call);
        }
    }
    ASSERT_EQ(restarts.size(), 1u);
    EXPECT_EQ(restarts[0].args[0], 0u);
    EXPECT_EQ(restarts[0].args[1], static_cast<ULONG_PTR>(RESTART_NO_CRASH | RESTART_NO_HANG | RESTART_NO_REBOOT));

    const UniqueKernelHandle running(::OpenProcess(SYNCHRONIZE, FALSE, program.Pid()));
    ASSERT_NE(running.get(), nullptr);
    const Finished close = RunToEnd(L"Close");
    EXPECT_EQ(close.exitCode, 0u);
    // An installer replaces the files right after a "Close" start returns.
    EXPECT_EQ(::WaitForSingleObject(running.get(), 0), static_cast<DWORD>(WAIT_OBJECT_0))
        << "ended before Close returned";
    EXPECT_TRUE(close.lines.empty()) << "the closing start writes nothing of its own";
    EXPECT_EQ(program.WaitExit(), 0u);
    EXPECT_EQ(program.Lines(), StartAndCloseLines());
    EXPECT_EQ(machine.NewCalls(), (std::vector<std::string>{kLeaveHotkeyMode}));
}

TEST_F(Startup, CloseGivesUpOnAHungCopyWhichASecondCloseEndsOnceItRunsAgain) {
    ProgramRun program;
    ASSERT_TRUE(program.Start());
    ASSERT_NE(program.WaitForMainWindow(), nullptr);
    const size_t linesBefore = program.Lines().size();
    machine.NewCalls();

    SuspendedThreads hung(program.Pid());
    ASSERT_GE(hung.Count(), 2u) << "the window's thread and the hook's";
    const DWORD start = ::GetTickCount();
    const Finished close = RunToEnd(L"Close", 20000);
    const DWORD elapsed = ::GetTickCount() - start;
    ASSERT_TRUE(close.exitCode.has_value()) << "the Close start hangs with the copy";
    EXPECT_NE(*close.exitCode, 0u) << "an installer must learn that the copy still runs";
    EXPECT_LT(elapsed, 8000u);
    EXPECT_EQ(close.lines, std::vector<std::string>{"Close: the running copy did not end\n"});

    hung.Resume();
    program.Press(0x81, 0x28);
    EXPECT_TRUE(machine.WaitForCall("SetVolumnVista(")) << "it still answers keys";
    EXPECT_TRUE(program.Settle());
    EXPECT_TRUE(program.Running()) << "the first Close did not end it later either";

    EXPECT_EQ(RunToEnd(L"Close").exitCode, 0u);
    EXPECT_EQ(program.WaitExit(), 0u);
    const std::vector<std::string> lines = program.Lines();
    ASSERT_GE(lines.size(), linesBefore + 2);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), kCloseLines[1]), 1) << "closed once, by the second";
    EXPECT_EQ(std::vector<std::string>(lines.end() - 2, lines.end()),
              std::vector<std::string>(std::begin(kCloseLines), std::end(kCloseLines)));
    EXPECT_EQ(machine.CallLog().back(), kLeaveHotkeyMode);
}

TEST_F(Startup, MainWindowIsNamedAndNeverShown) {
    ProgramRun program;
    ASSERT_TRUE(program.Start());
    HWND main = program.WaitForMainWindow();
    ASSERT_NE(main, nullptr);
    const observe::WindowInfo info = observe::Inspect(main);
    EXPECT_EQ(info.title, L"Skey_Main_window");
    EXPECT_EQ(info.className, L"VaskHotkeyClass");
    EXPECT_FALSE(info.visible);
    // A tool window, never an application window: no taskbar button.
    EXPECT_NE(info.exStyle & WS_EX_TOOLWINDOW, 0);
    EXPECT_EQ(info.exStyle & WS_EX_APPWINDOW, 0);
    EXPECT_EQ(info.style & WS_VISIBLE, 0);

    // Another process tries to show it, in every way it can.
    ::ShowWindow(main, SW_SHOWNORMAL);
    ::SetWindowPos(main, nullptr, 0, 0, 0, 0, SWP_SHOWWINDOW | SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER);
    ::ShowWindowAsync(main, SW_SHOW);
    program.Settle();
    EXPECT_FALSE(::IsWindowVisible(main));
}

TEST_F(Startup, SecondNormalStartEndsSilentlyAndLeavesTheFirstAlone) {
    ProgramRun first;
    ASSERT_TRUE(first.Start());
    HWND main = first.WaitForMainWindow();
    ASSERT_NE(main, nullptr);
    machine.NewCalls();

    for (const wchar_t* args : {L"", L"close", L"CLOSE", L"/Close", L"other Close", L"-Close"}) {
        const Finished second = RunToEnd(args);
        EXPECT_EQ(second.exitCode, 0u) << "args: " << ::testing::PrintToString(std::wstring(args));
        EXPECT_TRUE(second.lines.empty());
    }
    EXPECT_TRUE(machine.NewCalls().empty()) << "no second copy reached the notebook";
    EXPECT_TRUE(first.Running());
    EXPECT_EQ(::FindWindowW(L"VaskHotkeyClass", nullptr), main);
    EXPECT_EQ(first.Lines(), StartLines());
}

TEST_F(Startup, CloseRequestsAreExactWordsOnly) {
    // Each of these ends a running copy.
    for (const wchar_t* args : {L"Close", L"Close other", L"\"Close\"", L"-x Close", L"Close "}) {
        ProgramRun program;
        ASSERT_TRUE(program.Start());
        ASSERT_NE(program.WaitForMainWindow(), nullptr);
        const Finished close = RunToEnd(args);
        EXPECT_EQ(close.exitCode, 0u);
        EXPECT_EQ(program.WaitExit(), 0u) << ::testing::PrintToString(std::wstring(args));
    }
}

TEST_F(Startup, CloseWithoutARunningCopyEndsAtOnceAndTakesNothing) {
    const Finished close = RunToEnd(L"Close");
    EXPECT_EQ(close.exitCode, 0u);
    EXPECT_TRUE(close.lines.empty());
    EXPECT_TRUE(machine.NewCalls().empty());
    // It held no mutex: a normal start right after runs.
    ProgramRun program;
    ASSERT_TRUE(program.Start());
    EXPECT_NE(program.WaitForMainWindow(), nullptr);
}

TEST_F(Startup, WordsThatAreNotCloseStartNormally) {
    for (const wchar_t* args : {L"close", L"CLOSE", L"/Close", L"other Close"}) {
        ProgramRun program;
        ASSERT_TRUE(program.Start(args));
        EXPECT_NE(program.WaitForMainWindow(), nullptr) << ::testing::PrintToString(std::wstring(args));
        EXPECT_TRUE(program.WaitForLine(kEnableLine));
        RunToEnd(L"Close");
        EXPECT_EQ(program.WaitExit(), 0u);
    }
}

TEST_F(Startup, CloseMessageFromAnotherProcessEndsItTheSameWay) {
    ProgramRun program;
    ASSERT_TRUE(program.Start());
    HWND main = program.WaitForMainWindow();
    ASSERT_NE(main, nullptr);
    ::PostMessageW(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(program.WaitExit(), 0u);
    EXPECT_EQ(program.Lines(), StartAndCloseLines());
}

TEST_F(Startup, ACloseEventThatCannotBeMadeIsReportedWithItsError) {
    // Another program holds the event's name for an object of another kind.
    const UniqueKernelHandle squatter(::CreateMutexW(nullptr, FALSE, L"BTMCloseEvent"));
    ASSERT_NE(squatter.get(), nullptr);
    ProgramRun program;
    ASSERT_TRUE(program.Start());
    ASSERT_NE(program.WaitForMainWindow(), nullptr);
    EXPECT_TRUE(program.WaitForLine("Close event watcher not started: error 6\n")) << "ERROR_INVALID_HANDLE";
    EXPECT_EQ(RunToEnd(L"Close").exitCode, 0u);
    EXPECT_EQ(program.WaitExit(), 0u);
}

TEST_F(Startup, DoesNotStartWithoutTheVendorLibraries) {
    // A copy of the program alone in a folder of its own.
    wchar_t temp[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, temp);
    const std::wstring dir = std::wstring(temp) + L"vask-nodll-" + std::to_wstring(::GetCurrentProcessId());
    ::CreateDirectoryW(dir.c_str(), nullptr);
    const std::wstring exe = dir + L"\\VaskHotkey.exe";
    ASSERT_TRUE(::CopyFileW(ProgramPath().c_str(), exe.c_str(), FALSE));

    observe::Debuggee run;
    ASSERT_TRUE(run.Start(exe, L"", dir));
    const std::optional<DWORD> exitCode = run.WaitExit(kStartTimeoutMs);
    EXPECT_TRUE(exitCode.has_value());
    EXPECT_NE(exitCode.value_or(0), 0u);
    EXPECT_TRUE(run.Lines().empty());
    EXPECT_EQ(::FindWindowW(L"VaskHotkeyClass", nullptr), nullptr);
    EXPECT_TRUE(machine.NewCalls().empty());
    ::DeleteFileW(exe.c_str());
    ::RemoveDirectoryW(dir.c_str());
}

}  // namespace
}  // namespace e2e
