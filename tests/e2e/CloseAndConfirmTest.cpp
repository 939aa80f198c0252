// Closing the program through its named event and by the system's restart
// service, and the graphics-card confirmation that its key opens.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

#include "FocusedWindow.h"
#include "ProgramHarness.h"
#include "WindowWatch.h"
#include "framework/Handles.h"

namespace e2e {
namespace {

bool Ends(HWND window) {
    for (int i = 0; i < 300 && ::IsWindow(window); ++i) {
        ::Sleep(10);
    }
    return !::IsWindow(window);
}

HWND OpenConfirmation(const ProgramRun& program) {
    program.Press(0x81, 0x26);
    return observe::WaitForWindow(nullptr, L"Switch Graphic Card", 3000, program.Pid());
}

// Sent as the restart service sends it, from another process; a program that
// does not answer within 5 s fails the send.
bool Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam, DWORD_PTR* answer) {
    return ::SendMessageTimeoutW(window, message, wParam, lParam, SMTO_NORMAL, 5000, answer) != 0;
}

TEST(EndSession, TheRestartServiceClosesTheProgramAsACloseStartDoesAndNoOtherReasonDoes) {
    CloseAnyRunningProgram();
    FreshNotebook machine;
    const struct {
        const char* name;
        WPARAM ending;
        LPARAM reason;
        bool confirmationOpen;
        bool closes;
    } cases[] = {
        {"an installer closes it", TRUE, ENDSESSION_CLOSEAPP, false, true},
        {"an installer closes it while a dialog is open", TRUE, ENDSESSION_CLOSEAPP, true, true},
        {"an installer closes it as the session must end", TRUE, ENDSESSION_CLOSEAPP | ENDSESSION_CRITICAL, false,
         true},
        {"shutdown", TRUE, 0, false, false},
        {"log-off", TRUE, static_cast<LPARAM>(ENDSESSION_LOGOFF), false, false},
        {"the installer's close was called off", FALSE, ENDSESSION_CLOSEAPP, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        machine.notebook().Reset();
        ProgramRun program;
        ASSERT_TRUE(program.Start());
        HWND main = program.WaitForMainWindow();
        ASSERT_NE(main, nullptr);
        HWND dialog = c.confirmationOpen ? OpenConfirmation(program) : nullptr;
        ASSERT_EQ(dialog != nullptr, c.confirmationOpen);
        const size_t linesBefore = program.Lines().size();
        machine.NewCalls();

        DWORD_PTR answer = 0;
        ASSERT_TRUE(Send(main, WM_QUERYENDSESSION, 0, c.reason, &answer));
        EXPECT_EQ(answer, static_cast<DWORD_PTR>(TRUE)) << "it lets the session end";
        ASSERT_TRUE(Send(main, WM_ENDSESSION, c.ending, c.reason, &answer));
        if (c.closes) {
            EXPECT_EQ(program.WaitExit(3000), 0u);
            const std::vector<std::string> lines = program.Lines();
            EXPECT_EQ(std::vector<std::string>(lines.begin() + static_cast<long>(linesBefore), lines.end()),
                      std::vector<std::string>(std::begin(kCloseLines), std::end(kCloseLines)));
            EXPECT_EQ(machine.NewCalls(), std::vector<std::string>{"KervoEvaluate(0x59, [91], 1, null, 0) -> 1"})
                << "hotkey mode left, and the open dialog did nothing";
            continue;
        }
        program.Press(0x81, 0x28);
        EXPECT_TRUE(machine.WaitForCall("SetVolumnVista(")) << "it goes on answering keys";
        EXPECT_TRUE(program.Running());
        for (const std::string& call : machine.CallLog()) {
            EXPECT_EQ(call.find("KervoEvaluate(0x59, [91]"), std::string::npos) << "still in hotkey mode";
        }
        EXPECT_EQ(RunToEnd(L"Close").exitCode, 0u);
        EXPECT_EQ(program.WaitExit(), 0u);
    }
}

TEST(CloseEvent, ASignalClosesTheProgramAsACloseStartDoes) {
    CloseAnyRunningProgram();
    FreshNotebook machine;
    ProgramRun program;
    ASSERT_TRUE(program.Start());
    ASSERT_NE(program.WaitForMainWindow(), nullptr);
    ASSERT_TRUE(observe::SignalNamedEvent(L"BTMCloseEvent"));
    EXPECT_EQ(program.WaitExit(), 0u);
    EXPECT_EQ(program.Lines(), StartAndCloseLines());
    EXPECT_EQ(machine.CallLog().back(), "KervoEvaluate(0x59, [91], 1, null, 0) -> 1");
}

TEST(CloseEvent, SignalledBeforeTheStartClosesItRightAfter) {
    CloseAnyRunningProgram();
    FreshNotebook machine;
    // Another process made the event, signalled it and keeps it open.
    const UniqueKernelHandle event(::CreateEventW(nullptr, FALSE, FALSE, L"BTMCloseEvent"));
    ASSERT_NE(event.get(), nullptr);
    ::SetEvent(event.get());
    ProgramRun program;
    ASSERT_TRUE(program.Start());
    EXPECT_EQ(program.WaitExit(), 0u);
    EXPECT_EQ(program.Lines(), StartAndCloseLines());
    EXPECT_EQ(::WaitForSingleObject(event.get(), 0), static_cast<DWORD>(WAIT_TIMEOUT)) << "one signal, used once";
}

// Another program made the event manual-reset and leaves it signalled, before
// the start or while the program runs: it closes once, at once and cleanly,
// with nothing after its last line.
TEST(CloseEvent, AManualResetEventLeftSignalledClosesItOnceAndCleanly) {
    CloseAnyRunningProgram();
    FreshNotebook machine;
    for (const bool beforeStart : {true, false}) {
        SCOPED_TRACE(beforeStart ? "signalled before the start" : "signalled while it runs");
        machine.notebook().Reset();
        // Closed before the next pass, which must make the event anew, unsignalled.
        const UniqueKernelHandle event(::CreateEventW(nullptr, TRUE, FALSE, L"BTMCloseEvent"));
        ASSERT_NE(event.get(), nullptr);
        ProgramRun program;
        if (beforeStart) {
            ::SetEvent(event.get());
        }
        ASSERT_TRUE(program.Start());
        if (!beforeStart) {
            ASSERT_NE(program.WaitForMainWindow(), nullptr);
            ::SetEvent(event.get());
        }
        const DWORD signalledAt = ::GetTickCount();
        EXPECT_EQ(program.WaitExit(), 0u) << "a clean end, no crash";
        EXPECT_LT(::GetTickCount() - signalledAt, 3000u) << "no wait for a watcher that does not end";
        EXPECT_EQ(program.Lines(), StartAndCloseLines());
        EXPECT_EQ(CountCalls(machine.CallLog(), "KervoEvaluate(0x59, [91]"), 1u) << "closed once";
    }
}

// As many "Close" starts as close events (VASK_START_CYCLES in all: make test
// 20, make long 200), each after a start that came fully up.
TEST(StartAndClose, EveryCycleOfEachWayEndsCleanlyAndLeavesNothingBehind) {
    CloseAnyRunningProgram();
    FreshNotebook machine;
    const std::vector<std::string> closeLines(std::begin(kCloseLines), std::end(kCloseLines));
    const int cycles = std::max(2, CountFromEnvironment("VASK_START_CYCLES", 20)) / 2 * 2;
    const DWORD start = ::GetTickCount();
    for (int i = 0; i < cycles; ++i) {
        const bool byEvent = i >= cycles / 2;
        SCOPED_TRACE(::testing::Message() << (byEvent ? "close event " : "\"Close\" start ") << i % (cycles / 2));
        ProgramRun program;
        ASSERT_TRUE(program.Start()) << program.StartError();
        ASSERT_NE(program.WaitForMainWindow(), nullptr);  // fully up: its loop answers
        if (byEvent) {
            ASSERT_TRUE(observe::SignalNamedEvent(L"BTMCloseEvent"));
        } else {
            ASSERT_EQ(RunToEnd(L"Close").exitCode, 0u);
        }
        ASSERT_EQ(program.WaitExit(), 0u);
        const std::vector<std::string> lines = program.Lines();
        ASSERT_GE(lines.size(), 2u);
        ASSERT_EQ(std::vector<std::string>(lines.end() - 2, lines.end()), closeLines);
    }
    const DWORD elapsed = ::GetTickCount() - start;
    EXPECT_EQ(::FindWindowW(L"VaskHotkeyClass", nullptr), nullptr) << "no program left";
    EXPECT_EQ(::OpenMutexW(SYNCHRONIZE, FALSE, L"Mutex_VaskHotkey"), nullptr) << "no mutex left";
    EXPECT_EQ(::OpenEventW(SYNCHRONIZE, FALSE, L"BTMCloseEvent"), nullptr) << "no event left";
    std::printf("%d starts and closes in %lu ms, %lu ms a cycle\n", cycles, static_cast<unsigned long>(elapsed),
                static_cast<unsigned long>(elapsed / cycles));
}

class GraphicsSwitch : public RunningProgramTest {
protected:
    HWND OpenConfirmation() { return e2e::OpenConfirmation(program); }
    // A confirmation window of the program's other than `first`.
    static HWND OtherConfirmation(HWND first) {
        for (HWND w = ::FindWindowExW(nullptr, nullptr, nullptr, L"Switch Graphic Card"); w != nullptr;
             w = ::FindWindowExW(nullptr, w, nullptr, L"Switch Graphic Card")) {
            if (w != first) {
                return w;
            }
        }
        return nullptr;
    }
};

TEST_F(GraphicsSwitch, OpensInFrontOfTheUsersWindowWhereEnterAsksTheFirmwareOnceCancelAndCloseDoNot) {
    {
        // The key is pressed while the user works in another program.
        FocusedWindow users;
        HWND dialog = OpenConfirmation();
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(::GetWindow(dialog, GW_OWNER), program.MainWindow());
        users.PumpUntil([&] { return ::GetForegroundWindow() == dialog; }, 2000);
        // The X server's own focus events follow late on a busy machine: in
        // front means still in front once they have come.
        users.Pump(300);
        EXPECT_EQ(::GetForegroundWindow(), dialog) << "in front";
        ASSERT_TRUE(SendKeys(L"1cd:0d 1cu:0d"));
        EXPECT_TRUE(Ends(dialog)) << "Enter answered it";
        EXPECT_TRUE(machine.WaitForCall("ControlMethod(SGFC, arg=0x00000000, res=0x00000000) -> 1"));
        EXPECT_FALSE(users.ReceivedVk(WM_KEYDOWN, VK_RETURN)) << "the user's window did not get the Enter";
    }

    for (UINT message : {UINT{WM_COMMAND}, UINT{WM_CLOSE}}) {
        HWND dialog = OpenConfirmation();
        ASSERT_NE(dialog, nullptr);
        ::PostMessageW(dialog, message, message == WM_COMMAND ? MAKEWPARAM(IDCANCEL, BN_CLICKED) : 0, 0);
        EXPECT_TRUE(Ends(dialog));
    }
    const auto after = program.EffectOf(machine, [] {});
    EXPECT_TRUE(after.calls.empty()) << ::testing::PrintToString(after.calls);
}

TEST_F(GraphicsSwitch, KeysStillActWhileItIsOpenAndTheKeyOpensASecondOne) {
    HWND first = OpenConfirmation();
    ASSERT_NE(first, nullptr);
    const size_t before = program.Lines().size();
    program.Press(0x81, 0x04);
    EXPECT_TRUE(program.WaitForNewLine("SWITCH_ON", before)) << "handled inside the confirmation's loop";
    EXPECT_TRUE(::IsWindow(first)) << "and it stays open";

    program.Press(0x81, 0x26);
    HWND second = nullptr;
    for (int i = 0; i < 300 && second == nullptr; ++i) {
        second = OtherConfirmation(first);
        ::Sleep(second == nullptr ? 10 : 0);
    }
    ASSERT_NE(second, nullptr);
    ::PostMessageW(second, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    EXPECT_TRUE(Ends(second));
    EXPECT_TRUE(::IsWindow(first));
    ::PostMessageW(first, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    EXPECT_TRUE(Ends(first));
}

}  // namespace
}  // namespace e2e
