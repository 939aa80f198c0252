// Real key events: they reach the program through its low-level keyboard hook
// with their flags and scan codes, and still reach the focused application.
// Also the hook-refresh timer and the system menu's About command.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <sstream>
#include <thread>

#include "FocusedWindow.h"
#include "ProgramHarness.h"
#include "Process.h"
#include "WindowWatch.h"
#include "framework/Handles.h"

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
        sent = RunTool(L"send_input.exe",
                       L"--gap 25 --times text:abcde x04d x04u text:fghij x04d x04u "
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
    const auto duringStall =
        std::count_if(sentAt.begin(), sentAt.end(), [&](double at) { return at < pressedAt + kStallMs - 100; });
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
    std::vector<UINT> retries;       // the delays its timer 1 was armed with
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
        } else if (call.function == "SetTimer" && call.args[0] == main && call.args[1] == 1) {
            seen.retries.push_back(static_cast<UINT>(call.args[2]));
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
    // Above the program's other threads, and not as high as the system's own.
    const UniqueKernelHandle hookThread(::OpenThread(THREAD_QUERY_INFORMATION, FALSE, atStart.hookedOn[0]));
    ASSERT_TRUE(hookThread);
    EXPECT_EQ(::GetThreadPriority(hookThread.get()), THREAD_PRIORITY_HIGHEST);
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

    const HookCalls refreshed = effect([&] { ::PostMessageW(program.MainWindow(), WM_TIMER, 0, 0); });
    EXPECT_TRUE(refreshed.timer.empty()) << "one-shot: not armed again";
    program.WatchTimers(false);
    ASSERT_EQ(refreshed.unhookedOn.size(), 1u);
    ASSERT_EQ(refreshed.hookedOn.size(), 1u);
    EXPECT_EQ(refreshed.unhookedOn[0], atStart.hookedOn[0]) << "removed by the thread that installed it";
    EXPECT_NE(refreshed.hookedOn[0], program.MainThreadId());

    // Refused: the line, and tries again 1 s and 2 s later, each refused
    // with its line, and no more in between.
    program.RefuseHooks(true);
    program.WatchTimers(true);
    const size_t before = program.Lines().size();
    size_t from = program.SystemCalls().size();
    ::PostMessageW(program.MainWindow(), WM_TIMER, 0, 0);
    ::Sleep(3500);
    const HookCalls refused = HookCallsSince(program, from);
    program.WatchTimers(false);
    EXPECT_EQ(refused.hookedOn.size(), 3u) << "the refresh and two tries: no busy loop";
    EXPECT_EQ(refused.unhookedOn.size(), 1u);
    EXPECT_EQ(refused.retries, (std::vector<UINT>{1000, 2000, 4000}));
    const auto linesSince = [&](size_t first) {
        const std::vector<std::string> all = program.Lines();
        return std::vector<std::string>(all.begin() + static_cast<long>(std::min(first, all.size())), all.end());
    };
    EXPECT_EQ(linesSince(before), std::vector<std::string>(3, "Start KB Hook is fail.\n"));

    // Taken at the next try, within its 4 s: the keys work again.
    program.RefuseHooks(false);
    ASSERT_TRUE(program.WaitForNewLine("[VaskHotkey]Keyboard hook installed\n", before, 5000));
    size_t linesFrom = program.Lines().size();
    ASSERT_TRUE(SendKeys(L"x04d x04u"));
    EXPECT_TRUE(program.WaitForNewLine("SWITCH_ON", linesFrom)) << "the hook works again";

    // Fired with no hook installed (the refresh's own install refused): nothing
    // to remove, a hook installed, and the try it had planned called off.
    program.RefuseHooks(true);
    effect([&] { ::PostMessageW(program.MainWindow(), WM_TIMER, 0, 0); });
    program.RefuseHooks(false);
    const HookCalls again = effect([&] { ::PostMessageW(program.MainWindow(), WM_TIMER, 0, 0); });
    EXPECT_TRUE(again.unhookedOn.empty());
    EXPECT_EQ(again.hookedOn.size(), 1u);
    from = program.SystemCalls().size();
    linesFrom = program.Lines().size();
    ::Sleep(1500);
    EXPECT_TRUE(HookCallsSince(program, from).hookedOn.empty()) << "no try after the hook took";
    ASSERT_TRUE(SendKeys(L"x04d x04u"));
    EXPECT_TRUE(program.WaitForNewLine("SWITCH_ON", linesFrom)) << "the hook works";
}

// What Windows tells a resident program, sent as the simulated notebook sends
// it: each way back to the user sets hotkey mode and the hook up again, once,
// with one line; a lock, a sleep or the display going off changes nothing.
// After each, a key through the hook is handled once: never two hooks. A hook
// the system dropped is noticed at the next key and installed again.
TEST_F(KeyboardHook, EachWayBackSetsUpAgainOnceAndADroppedHookComesBack) {
    // A window in front, as a user always has: Wine hands background raw input
    // (what notices a dropped hook) to no one while no window is in front.
    FocusedWindow focused;
    const auto tool = [](const wchar_t* args) {
        const ToolRun run = RunTool(L"notebook.exe", args);
        EXPECT_EQ(run.exitCode, 0u) << run.output;
    };
    const std::vector<std::string> enter{"KervoEvaluate(0x59, [90], 1, null, 0) -> 1"};
    const struct {
        const wchar_t* command;
        const char* line;  // null: nothing to set up again
    } steps[] = {
        {L"lock", nullptr},
        {L"unlock", "[VaskHotkey]Set up again after unlock\n"},
        {L"sleep", nullptr},
        {L"wake", "[VaskHotkey]Set up again after resume\n"},  // two resume messages, one set-up
        {L"sleep --modern", nullptr},
        {L"wake --modern", "[VaskHotkey]Set up again after display on\n"},
    };
    const auto keyThroughTheHook = [&] {
        const size_t before = program.Lines().size();
        machine.NewCalls();
        EXPECT_TRUE(SendKeys(L"x04d x04u"));
        EXPECT_TRUE(program.WaitForNewLine("SWITCH_ON", before));
        program.Settle();
        return CountCalls(machine.NewCalls(), "KervoEvaluate(0xb0, [bb]");
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(observe::Narrow(step.command));
        const size_t from = program.SystemCalls().size();
        const auto effect = program.EffectOf(machine, [&] { tool(step.command); });
        const HookCalls hooks = HookCallsSince(program, from);
        EXPECT_EQ(effect.lines, step.line ? std::vector<std::string>{step.line} : std::vector<std::string>{});
        EXPECT_EQ(effect.calls, step.line ? enter : std::vector<std::string>{});
        EXPECT_EQ(hooks.hookedOn.size(), step.line ? 1u : 0u);
        EXPECT_EQ(hooks.unhookedOn.size(), hooks.hookedOn.size()) << "the old hook goes first";
        if (step.line != nullptr) {
            EXPECT_EQ(machine.notebook().ReadState()->hotkeyMode, 1);
            EXPECT_EQ(keyThroughTheHook(), 1u) << "handled once";
        }
    }

    const size_t from = program.SystemCalls().size();
    tool(L"drop-hook");
    const size_t before = program.Lines().size();
    ASSERT_TRUE(SendKeys(L"text:a"));
    EXPECT_TRUE(program.WaitForNewLine("[VaskHotkey]Keyboard hook lost\n", before, 2000));
    for (int i = 0; i < 200 && HookCallsSince(program, from).hookedOn.empty(); ++i) {
        ::Sleep(10);
    }
    EXPECT_EQ(HookCallsSince(program, from).hookedOn.size(), 1u);
    EXPECT_EQ(keyThroughTheHook(), 1u) << "the hook is back";
}

// Where the system never calls the hook (over a window of a higher integrity
// level), the hook is kept and replaced ever more rarely, not every second;
// the keys work within one of those waits once the system calls hooks again.
// And a wake whose hotkey-mode entry the controller refuses is tried again
// until hotkey mode is on. VASK_DROP_SECONDS sets how long the notebook keeps
// taking every new hook away (12 unless set).
TEST_F(KeyboardHook, AHookNeverCalledIsReplacedRarelyAndARefusedWakeIsTriedUntilTaken) {
    FocusedWindow focused;  // as in the case above: a window in front
    const auto tool = [](const std::wstring& args) {
        const ToolRun run = RunTool(L"notebook.exe", args);
        EXPECT_EQ(run.exitCode, 0u) << run.output;
    };
    const char* setting = std::getenv("VASK_DROP_SECONDS");
    const int dropSeconds = setting != nullptr ? std::max(4, std::atoi(setting)) : 12;
    const std::string lost = "[VaskHotkey]Keyboard hook lost\n";
    const size_t before = program.Lines().size();
    std::thread dropper([&] { tool(L"drop-hook --for " + std::to_wstring(dropSeconds)); });
    // The user types on meanwhile, five letters a second, where the program's
    // hooks are never called.
    ToolRun typed;
    std::thread typist(
        [&] { typed = RunTool(L"send_input.exe", L"--gap 100 text:" + std::wstring(dropSeconds * 5, L'a')); });
    std::vector<double> lossesAt;
    const double startedAt = NowMs();
    while (NowMs() - startedAt < dropSeconds * 1000.0 + 200) {
        ::Sleep(50);
        const std::vector<std::string> lines = program.Lines();
        const auto count =
            static_cast<size_t>(std::count(lines.begin() + static_cast<long>(before), lines.end(), lost));
        lossesAt.resize(count, NowMs() - startedAt);
    }
    dropper.join();
    typist.join();
    EXPECT_EQ(typed.exitCode, 0u) << typed.output;
    std::printf("%zu hook losses in %d s of typing with every hook taken away\n", lossesAt.size(), dropSeconds);
    ASSERT_GE(lossesAt.size(), 2u);
    // 1, 2, 4, 8 ... s apart: about log2 of the time, never one a second.
    EXPECT_LE(lossesAt.size(), static_cast<size_t>(3 + std::log2(dropSeconds))) << ::testing::PrintToString(lossesAt);
    bool growing = true;
    for (size_t i = 2; i < lossesAt.size(); ++i) {
        growing = growing && lossesAt[i] - lossesAt[i - 1] >= 1.5 * (lossesAt[i - 1] - lossesAt[i - 2]) - 400;
    }
    EXPECT_TRUE(growing) << "each wait longer than the one before: " << ::testing::PrintToString(lossesAt);
    // The last wait before a replacement was at most twice the gap before it.
    const double longestWaitMs = 2 * (lossesAt.back() - lossesAt[lossesAt.size() - 2]) + 1500;
    const std::string wireless = "KervoEvaluate(0xb0, [bb], 1, out, 1) -> 1";
    const double stoppedAt = NowMs();
    bool answered = false;
    while (!answered && NowMs() - stoppedAt < longestWaitMs) {
        machine.NewCalls();
        ASSERT_TRUE(SendKeys(L"x04d:87 x04u:87"));
        answered = machine.WaitForCall(wireless, 300);
    }
    EXPECT_TRUE(answered) << "no key answered within " << longestWaitMs << " ms of the hooks being left alone";

    // The controller refuses the wake's two entries into hotkey mode, and
    // only those: the tries go on until it takes, with a line each.
    tool(L"sleep");
    tool(L"fault KervoEvaluate refuse --command 0x59 --times 2");
    const size_t beforeWake = program.Lines().size();
    tool(L"wake");
    const double wokeAt = NowMs();
    while (machine.notebook().ReadState()->hotkeyMode != 1 && NowMs() - wokeAt < 5000) {
        ::Sleep(20);
    }
    EXPECT_LE(NowMs() - wokeAt, 3000) << "hotkey mode on within 3 s";
    ASSERT_TRUE(program.WaitForNewLine("[VaskHotkey]Hotkey mode entered\n", beforeWake, 1000));
    const std::vector<std::string> all = program.Lines();
    EXPECT_EQ(std::vector<std::string>(all.begin() + static_cast<long>(beforeWake), all.end()),
              (std::vector<std::string>{"[VaskHotkey]Set up again after resume\n", "[VaskHotkey]Hotkey mode refused\n",
                                        "[VaskHotkey]Set up again after resume\n", "[VaskHotkey]Hotkey mode refused\n",
                                        "[VaskHotkey]Hotkey mode entered\n"}));
    machine.NewCalls();
    ASSERT_TRUE(SendKeys(L"x04d:87 x04u:87"));
    EXPECT_TRUE(machine.WaitForCall(wireless)) << "a wireless key through the hook";
}

// The same life at log-on conditions, twenty times: after each wake a key
// pressed on the notebook and one through the hook are both answered; a key
// pressed while the controller is out of hotkey mode is the plain function
// key, which the program leaves alone. Then a hook the system dropped: after
// one letter, a key through the hook is answered within a second.
// VASK_WAKE_CYCLES sleeps and wakes (make test: 5; make long: 20).
TEST(NotebookLife, SleepsAndWakesAndADroppedHookLeaveNoKeyDead) {
    const int wakes = CountFromEnvironment("VASK_WAKE_CYCLES", 5);
    CloseAnyRunningProgram();
    FreshNotebook machine;
    PlainRun program;
    ASSERT_TRUE(program.Start(machine));
    FocusedWindow focused;
    const auto tool = [](const wchar_t* args) {
        const ToolRun run = RunTool(L"notebook.exe", args);
        EXPECT_EQ(run.exitCode, 0u) << run.output;
    };
    const std::string enter = "KervoEvaluate(0x59, [90], 1, null, 0) -> 1";
    const std::string wireless = "KervoEvaluate(0xb0, [bb], 1, out, 1) -> 1 out=[10]";
    machine.NewCalls();
    tool(L"sleep");
    tool(L"press wireless");
    tool(L"press wireless --input");
    EXPECT_TRUE(machine.WaitForCall("Keyboard(0x04, hotkey mode off) -> 0 sent=F2 scan 0x3c"));
    EXPECT_TRUE(machine.WaitForCall("Keyboard(0x04, hotkey mode off) -> 0 sent=F2 scan 0x3c"));
    for (int cycle = 0; cycle < wakes; ++cycle) {
        SCOPED_TRACE(::testing::Message() << "wake " << cycle);
        if (cycle > 0) {
            tool(L"sleep");
            EXPECT_EQ(machine.notebook().ReadState()->hotkeyMode, 0);
        }
        tool(L"wake");
        ASSERT_EQ(machine.notebook().ReadState()->hotkeyMode, 1) << "hotkey mode on once the wake is told";
        tool(L"press wireless");
        tool(L"press wireless --input");
        EXPECT_TRUE(machine.WaitForCall(wireless));
        EXPECT_TRUE(machine.WaitForCall(wireless));
    }
    // A last key posted after all of them: what was sent before is handled by now.
    program.Press(0x81, 0x04);
    EXPECT_TRUE(machine.WaitForCall(wireless));
    std::vector<std::string> expected;
    for (int cycle = 0; cycle < wakes; ++cycle) {
        expected.insert(expected.end(), {enter, wireless, wireless});
    }
    expected.push_back(wireless);
    std::vector<std::string> calls = machine.CallLog();
    calls.erase(calls.begin(), calls.end() - static_cast<long>(std::min(calls.size(), expected.size())));
    EXPECT_EQ(calls, expected) << "each key once, nothing else";

    tool(L"drop-hook");
    machine.NewCalls();
    ASSERT_TRUE(SendKeys(L"text:a"));
    const double typedAt = NowMs();
    double answeredAfter = -1;
    // The user's next keys: each through the hook, until one is answered.
    for (int key = 0; key < 20 && answeredAfter < 0; ++key) {
        const double sentAt = NowMs();
        tool(L"press wireless --input");
        if (machine.WaitForCall(wireless, 100)) {
            answeredAfter = sentAt - typedAt;
        }
    }
    EXPECT_GE(answeredAfter, 0) << "no key answered after the hook was dropped";
    EXPECT_LE(answeredAfter, 1000) << "ms after the letter";
    std::printf("a key through the hook was answered %.0f ms after the letter that followed the drop\n", answeredAfter);
    EXPECT_EQ(program.Close(), std::optional<DWORD>(0));
}

// The first installation refused: one message box, owned by the main window,
// and the tries go on behind it, refused each with a line but no other box,
// until the system takes the hook; the keys work with the box still open.
TEST(KeyboardHookStart, ARefusedHookIsToldOnceAndTriedAgainBehindTheBox) {
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
    EXPECT_TRUE(program.WaitForLine("Start KB Hook is fail.\n", 2500)) << "the try 1 s later";
    program.RefuseHooks(false);
    EXPECT_TRUE(program.WaitForLine("[VaskHotkey]Keyboard hook installed\n", 3000)) << "the try 2 s after that";
    EXPECT_TRUE(::IsWindow(box));
    ASSERT_NE(program.WaitForMainWindow(), nullptr);
    size_t before = program.Lines().size();
    ASSERT_TRUE(SendKeys(L"x04d x04u"));
    EXPECT_TRUE(program.WaitForNewLine("SWITCH_ON", before)) << "a real key, the box still open";

    ::PostMessageW(box, WM_COMMAND, IDOK, 0);
    for (int i = 0; i < 200 && ::IsWindow(box); ++i) {
        ::Sleep(10);
    }
    EXPECT_FALSE(::IsWindow(box));
    EXPECT_EQ(observe::WaitForWindow(nullptr, L"VaskHotkey", 500, program.Pid()), nullptr) << "one box only";
    before = program.Lines().size();
    ASSERT_TRUE(SendKeys(L"x04d x04u"));
    EXPECT_TRUE(program.WaitForNewLine("SWITCH_ON", before));
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
