// Real key events: they reach the program through its low-level keyboard hook
// with their flags and scan codes, and still reach the focused application.
// Also the hook-refresh timer and the system menu's About command.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <sstream>
#include <thread>

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

// The hook has a thread of its own: while the user-interface thread waits on
// a vendor call that stalls for 3 s, typing reaches the application in front
// at once, and every key event the program was sent is handled once the call
// returns, in order.
TEST_F(KeyboardHook, TypingNeverWaitsWhileAVendorCallStalls) {
    constexpr DWORD kStallMs = 3000;
    constexpr double kLongestWaitMs = 100;
    FocusedWindow focused;
    ASSERT_TRUE(machine.notebook().SetFault(sim::Function::WMI_GetBrightnessVista, sim::Fault::Stall, kStallMs));
    const size_t linesBefore = program.Lines().size();
    machine.NewCalls();
    const double pressedAt = NowMs();
    program.Press(0x81, 0x06);  // brightness up: the stalled read
    ::Sleep(200);               // the user-interface thread is in the call now

    // Twenty letters, and the wireless key after every fifth, 25 ms apart:
    // over a second of typing, within the stall.
    ToolRun sent;
    std::thread sender([&] {
        sent = RunTool(L"send_input.exe", L"--gap 25 --times text:abcde x04d x04u text:fghij x04d x04u "
                                          L"text:klmno x04d x04u text:pqrst x04d x04u");
    });
    const auto letters = [&] {
        std::vector<KeyMessage> downs;
        for (const KeyMessage& key : focused.Keys()) {
            if (key.message == WM_KEYDOWN && key.vk >= 'A' && key.vk <= 'Z') {
                downs.push_back(key);
            }
        }
        return downs;
    };
    focused.PumpUntil([&] { return letters().size() >= 20; }, 10000);
    sender.join();
    ASSERT_EQ(sent.exitCode, 0u) << sent.output;

    std::string typed;
    std::vector<double> sentAt;
    std::istringstream times(sent.output);
    for (unsigned vk = 0, up = 0; times >> std::hex >> vk >> std::dec >> up;) {
        double at = 0;
        times >> at;
        if (vk >= 'A' && vk <= 'Z' && up == 0) {
            sentAt.push_back(at);
        }
    }
    const std::vector<KeyMessage> arrived = letters();
    ASSERT_EQ(sentAt.size(), 20u) << sent.output;
    for (const KeyMessage& key : arrived) {
        typed.push_back(static_cast<char>(key.vk));
    }
    EXPECT_EQ(typed, "ABCDEFGHIJKLMNOPQRST") << "every letter, in order";
    double longest = 0;
    for (size_t i = 0; i < arrived.size() && i < sentAt.size(); ++i) {
        longest = std::max(longest, arrived[i].atMs - sentAt[i]);
    }
    EXPECT_LE(longest, kLongestWaitMs) << "the longest a letter waited, in ms";
    const auto handled = [&] {
        std::vector<std::string> lines;
        const std::vector<std::string> all = program.Lines();
        for (size_t i = linesBefore; i < all.size(); ++i) {
            if (all[i].rfind("SWITCH_", 0) == 0 || all[i].rfind("[VaskHotkey]BrightnessNumber", 0) == 0) {
                lines.push_back(all[i]);
            }
        }
        return lines;
    };
    const auto duringStall = std::count_if(sentAt.begin(), sentAt.end(), [&](double at) {
        return at < pressedAt + kStallMs - 100;
    });
    EXPECT_GE(duringStall, 10) << "most of the typing came while the call stalled";

    // Once the call returns: the brightness display, then the four wireless
    // releases, each with its read of the switch.
    ASSERT_TRUE(machine.WaitForCall("WMI_GetBrightnessVista() -> 60", kStallMs + 2000));
    for (int i = 0; i < 4; ++i) {
        EXPECT_TRUE(machine.WaitForCall("KervoEvaluate(0xb0, [bb], 1, out, 1) -> 1")) << i;
    }
    program.Settle();
    const std::vector<std::string> after = handled();
    ASSERT_EQ(after.size(), 5u) << ::testing::PrintToString(after);
    EXPECT_EQ(after[0].rfind("[VaskHotkey]BrightnessNumber", 0), 0u) << "the stalled key first";
    std::printf("longest wait of a letter during a %lu ms stall: %.1f ms\n", static_cast<unsigned long>(kStallMs),
                longest);
}

// What the program asks of the system for its hook and its refresh timer, as
// its debugger sees the calls.
struct HookCalls {
    std::vector<std::string> timer;  // "Set 60000": the main window's timer 0 armed
    std::vector<DWORD> hookedOn;     // threads that installed a keyboard hook
    std::vector<DWORD> unhookedOn;
};
HookCalls HookCallsSince(const ProgramRun& program, size_t from) {
    HookCalls seen;
    const std::vector<observe::SystemCall> calls = program.SystemCalls();
    const auto main = reinterpret_cast<ULONG_PTR>(program.MainWindow());
    for (size_t i = from; i < calls.size(); ++i) {
        const observe::SystemCall& call = calls[i];
        if (call.function == "SetTimer" && call.args[0] == main && call.args[1] == 0) {
            seen.timer.push_back("Set " + std::to_string(call.args[2]));
            EXPECT_EQ(call.threadId, program.MainThreadId());
        } else if (call.function == "SetWindowsHookExW" && call.args[0] == WH_KEYBOARD_LL) {
            seen.hookedOn.push_back(call.threadId);
        } else if (call.function == "UnhookWindowsHookEx") {
            seen.unhookedOn.push_back(call.threadId);
        }
    }
    return seen;
}

// The refresh timer, observed: a key event that matches no row (re)arms it,
// a handled one leaves it alone, and when it fires the hook is installed
// anew, on a thread other than the user-interface thread, whether a hook was
// there or not; a refresh the system refuses writes its line.
TEST_F(KeyboardHook, RefreshTimerIsArmedByUnmatchedKeysAndInstallsTheHookAgain) {
    const HookCalls atStart = HookCallsSince(program, 0);
    ASSERT_EQ(atStart.hookedOn.size(), 1u);
    EXPECT_NE(atStart.hookedOn[0], program.MainThreadId()) << "the hook has a thread of its own";
    EXPECT_TRUE(atStart.timer.empty()) << ::testing::PrintToString(atStart.timer);

    // What `act` made the program ask, once it has handled all of it.
    const auto effect = [&](const std::function<void()>& act) {
        const size_t from = program.SystemCalls().size();
        program.EffectOf(machine, act);
        return HookCallsSince(program, from);
    };
    const std::vector<std::string> rearmed{"Set 60000"};
    program.WatchTimers(true);
    EXPECT_EQ(effect([&] { program.Press(0x00, 0x10); }).timer, rearmed) << "a letter's press";
    EXPECT_EQ(effect([&] { program.Press(0x81, 0x10); }).timer, rearmed) << "and its release, again";
    EXPECT_EQ(effect([&] { program.Press(0x81, 0x28); }).timer, std::vector<std::string>{}) << "volume up";

    const size_t before = program.Lines().size();
    const HookCalls refreshed = effect([&] { ::PostMessageW(program.MainWindow(), WM_TIMER, 0, 0); });
    EXPECT_TRUE(refreshed.timer.empty()) << "one-shot: not armed again";
    program.WatchTimers(false);
    ASSERT_EQ(refreshed.unhookedOn.size(), 1u);
    ASSERT_EQ(refreshed.hookedOn.size(), 1u);
    EXPECT_EQ(refreshed.unhookedOn[0], atStart.hookedOn[0]) << "removed by the thread that installed it";
    EXPECT_NE(refreshed.hookedOn[0], program.MainThreadId());

    // Refused: the line, and no hook until the next refresh.
    program.RefuseHooks(true);
    const HookCalls refused = effect([&] { ::PostMessageW(program.MainWindow(), WM_TIMER, 0, 0); });
    EXPECT_EQ(refused.hookedOn.size(), 1u);
    EXPECT_EQ(refused.unhookedOn.size(), 1u);
    program.RefuseHooks(false);
    const auto linesSince = [&](size_t from) {
        std::vector<std::string> lines;
        const std::vector<std::string> all = program.Lines();
        for (size_t i = from; i < all.size(); ++i) {
            lines.push_back(all[i]);
        }
        return lines;
    };
    const auto notMarkers = [&](size_t from) {
        std::vector<std::string> lines = linesSince(from);
        lines.erase(std::remove_if(lines.begin(), lines.end(),
                                   [](const std::string& line) { return line.rfind("SWITCH_", 0) == 0; }),
                    lines.end());
        return lines;
    };
    EXPECT_EQ(notMarkers(before), std::vector<std::string>{"Start KB Hook is fail.\n"});
    size_t from = program.Lines().size();
    program.EffectOf(machine, [] { ASSERT_TRUE(SendKeys(L"x04d x04u")); });
    EXPECT_EQ(linesSince(from), std::vector<std::string>{"SWITCH_ON"}) << "the marker's only: no hook, no key";

    // Fired with no hook installed: nothing to remove, a hook installed.
    const HookCalls again = effect([&] { ::PostMessageW(program.MainWindow(), WM_TIMER, 0, 0); });
    EXPECT_TRUE(again.unhookedOn.empty());
    EXPECT_EQ(again.hookedOn.size(), 1u);
    from = program.Lines().size();
    ASSERT_TRUE(SendKeys(L"x04d x04u"));
    EXPECT_TRUE(program.WaitForNewLine("SWITCH_ON", from)) << "the hook works again";

}

// The first installation refused: one message box, owned by the main window,
// and the program runs on without a hook.
TEST(KeyboardHookStart, ARefusedHookIsToldOnceAndTheProgramRunsOn) {
    CloseAnyRunningProgram();
    FreshNotebook machine;
    ProgramRun program;
    program.RefuseHooks(true);
    ASSERT_TRUE(program.Start());
    HWND box = observe::WaitForWindow(nullptr, L"VaskHotkey", kStartTimeoutMs, program.Pid());
    ASSERT_NE(box, nullptr);
    wchar_t text[64] = {};
    ::GetDlgItemTextW(box, 0xFFFF, text, 64);
    EXPECT_STREQ(text, L"Strat hook fail.");
    HWND main = ::FindWindowW(L"VaskHotkeyClass", nullptr);
    EXPECT_EQ(observe::Inspect(box).owner, main);
    ::PostMessageW(box, WM_COMMAND, IDOK, 0);
    ASSERT_NE(program.WaitForMainWindow(), nullptr);
    const size_t before = program.Lines().size();
    ASSERT_TRUE(SendKeys(L"x04d x04u"));
    program.Press(0x81, 0x04);
    EXPECT_TRUE(program.WaitForNewLine("SWITCH_ON", before)) << "keys the program is sent still work";
    program.Settle();
    EXPECT_EQ(program.Lines().size(), before + 1) << "the real key went unseen";
    ::PostMessageW(program.MainWindow(), WM_CLOSE, 0, 0);
    EXPECT_EQ(program.WaitExit(), std::optional<DWORD>(0));
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
