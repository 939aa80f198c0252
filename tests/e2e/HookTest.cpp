// Real key events: they reach the program through its low-level keyboard hook
// with their flags and scan codes, and still reach the focused application.
// Also the hook-refresh timer and the system menu's About command.
#include <gtest/gtest.h>

#include "FocusedWindow.h"
#include "ProgramHarness.h"
#include "WindowWatch.h"

namespace e2e {
namespace {

using KeyboardHook = RunningProgramTest;

TEST_F(KeyboardHook, RealKeysArriveWithFlagsAndScanCodeAndPassOn) {
    FocusedWindow focused;
    // The wireless key's code without the extended bit (0x90), and the volume
    // key's injected release (0x91, where its row wants exactly 0x81): no row.
    // The hook swallowed none of them: the focused window has them all, with
    // their scan codes.
    const auto others = program.EffectOfInput(machine, [&] {
        EXPECT_TRUE(SendKeys(L"04d:86 04u:86 x28d:86 x28u:86"));
        focused.PumpUntil([&] { return focused.Received(WM_KEYUP, 0x28, true); });
    });
    EXPECT_TRUE(others.lines.empty()) << ::testing::PrintToString(others.lines);
    EXPECT_TRUE(others.calls.empty()) << ::testing::PrintToString(others.calls);
    EXPECT_TRUE(focused.Received(WM_KEYDOWN, 0x04, false));
    EXPECT_TRUE(focused.Received(WM_KEYUP, 0x04, false));
    EXPECT_TRUE(focused.Received(WM_KEYDOWN, 0x28, true));
    EXPECT_TRUE(focused.Received(WM_KEYUP, 0x28, true));

    // The wireless key, injected: its release carries 0x91, which its row
    // accepts; the press (0x11) matches nothing.
    const size_t before = program.Lines().size();
    ASSERT_TRUE(SendKeys(L"x04d:87 x04u:87"));
    EXPECT_TRUE(program.WaitForNewLine("SWITCH_ON", before));
    EXPECT_TRUE(machine.WaitForCall("KervoEvaluate(0xb0, [bb], 1, out, 1) -> 1"));
}

TEST_F(KeyboardHook, TypingReachesTheApplicationAndNothingElse) {
    FocusedWindow focused;
    const auto typing = program.EffectOfInput(machine, [&] {
        EXPECT_TRUE(SendKeys(L"text:hello,world42"));
        focused.PumpUntil([&] { return focused.ReceivedVk(WM_KEYUP, '2'); });
    });
    EXPECT_TRUE(typing.lines.empty()) << ::testing::PrintToString(typing.lines);
    EXPECT_TRUE(typing.calls.empty()) << ::testing::PrintToString(typing.calls);
    EXPECT_TRUE(focused.ReceivedVk(WM_KEYDOWN, 'H'));
    EXPECT_TRUE(focused.ReceivedVk(WM_KEYUP, '4'));
}

TEST_F(KeyboardHook, SynthesisedF18ComesBackInjectedAndMatchesNothing) {
    FocusedWindow focused;
    const auto f18 = program.EffectOf(machine, [&] {
        program.Press(0x81, 0x27);
        focused.PumpUntil([&] { return focused.ReceivedVk(WM_KEYDOWN, VK_F18); });
    });
    EXPECT_TRUE(f18.lines.empty()) << ::testing::PrintToString(f18.lines);
    EXPECT_TRUE(f18.calls.empty()) << ::testing::PrintToString(f18.calls);
    focused.Pump(100);
    EXPECT_TRUE(focused.ReceivedVk(WM_KEYDOWN, VK_F18));
    EXPECT_FALSE(focused.ReceivedVk(WM_KEYUP, VK_F18)) << "a single key-down";
}

TEST_F(KeyboardHook, RefreshTimerInstallsTheHookAgain) {
    ::PostMessageW(program.MainWindow(), WM_TIMER, 0, 0);
    ::PostMessageW(program.MainWindow(), WM_TIMER, 0, 0);
    const size_t before = program.Lines().size();
    ASSERT_TRUE(SendKeys(L"x04d x04u"));
    EXPECT_TRUE(program.WaitForNewLine("SWITCH_ON", before));
    program.Settle();
    const std::vector<std::string> lines = program.Lines();
    EXPECT_EQ(std::vector<std::string>(lines.begin() + static_cast<long>(before), lines.end()),
              std::vector<std::string>{"SWITCH_ON"})
        << "no \"Start KB Hook is fail.\"";
}

TEST_F(KeyboardHook, AboutBoxOpensForItsSystemCommandOnly) {
    for (UINT command : {0x10u, 0x13u, 0x1Fu}) {
        ::PostMessageW(program.MainWindow(), WM_SYSCOMMAND, command, 0);
        HWND about = observe::WaitForWindow(nullptr, L"About VaskHotkey", 3000, program.Pid());
        ASSERT_NE(about, nullptr) << command;
        EXPECT_EQ(::GetWindow(about, GW_OWNER), program.MainWindow());
        ::PostMessageW(about, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        for (int i = 0; i < 100 && ::IsWindow(about); ++i) {
            ::Sleep(10);
        }
        EXPECT_FALSE(::IsWindow(about)) << "OK ends the About box";
    }
    for (UINT command : {0x00u, 0x20u, 0x2Fu, 0x100u}) {
        ::PostMessageW(program.MainWindow(), WM_SYSCOMMAND, command, 0);
        program.Settle();
        EXPECT_EQ(observe::WaitForWindow(nullptr, L"About VaskHotkey", 200, program.Pid()), nullptr) << command;
    }
    EXPECT_TRUE(program.Running());
}

}  // namespace
}  // namespace e2e
