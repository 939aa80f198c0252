// A storm of real key events through the keyboard hook, sent from another
// process as fast as the system takes them, with typing into the application
// in front: the program acts on exactly the events its decision table names,
// loses none of the typing, still answers the next key, and does not grow.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <thread>

#include <windows.h>

#include "FocusedWindow.h"
#include "KeyStorm.h"
#include "ProgramHarness.h"
#include "hotkeys/DecisionTable.h"
#include "osd/VolumeRules.h"

namespace e2e {
namespace {

using KeyFlag::kInjected;          // every event SendInput makes carries it
constexpr DWORD kSettleMs = 3500;  // past the display's 3 s, so it has hidden
constexpr int64_t kStallMs = 1000;
// The storm may take as long as this rate allows, and a minute at least: a
// limit fixed for make test's thousand events is no limit for a million, and
// machines differ (1 185 to 3 600 events/s have been seen, the same storm).
// Slower than this, something waits that should not.
constexpr int kSlowestEventsPerSecond = 250;
constexpr DWORD kShortestLimitMs = 60000;

// The program at log-on conditions (PlainRun): measured, 25 to 33 of 33
// wireless releases were seen under the debugger, 33 of 33 in every run without.
class KeyStorm : public ::testing::Test {
protected:
    void SetUp() override {
        CloseAnyRunningProgram();
        ASSERT_TRUE(program.Start(machine));
    }
    void TearDown() override { EXPECT_EQ(program.Close(), std::optional<DWORD>(0)); }
    void Press(uint32_t flags, uint32_t scanCode) { program.Press(flags, scanCode); }
    // Calls of f since the notebook's reset; the ring of the call log keeps
    // only the newest few thousand, a storm makes far more.
    uint64_t Total(sim::Function f) { return machine.notebook().ReadCallTotals()->calls[static_cast<int>(f)]; }
    // Waits until the program has read the wireless switch `count` times since
    // the notebook's reset: its only controller calls while in hotkey mode.
    bool WaitForWirelessReads(uint64_t count, DWORD timeoutMs) {
        for (DWORD waited = 0; waited < timeoutMs; waited += 10) {
            if (Total(sim::Function::KervoEvaluate) - kHotkeyModeCalls >= count) {
                return true;
            }
            ::Sleep(10);
        }
        return false;
    }

    // The start's call that enters hotkey mode.
    static constexpr uint64_t kHotkeyModeCalls = 1;
    FreshNotebook machine;
    PlainRun program;
};

TEST_F(KeyStorm, EveryEventIsHandledAsTheTableSaysAndTypingArrivesWhole) {
    const int count = CountFromEnvironment("VASK_STORM_EVENTS", 1000);
    const uint32_t seed = static_cast<uint32_t>(CountFromEnvironment("VASK_STORM_SEED", 2026));
    const Storm storm = MakeStorm(seed, count);

    // What the decision table makes of each event, and so the volume after.
    // Events from SendInput carry the injected bit, which the rows that want
    // their flags exactly (volume, mute, display, Esc) do not take; the
    // wireless row takes it. The table decides, not this test.
    int32_t values[kVolumeLevels];
    FillVolumeValues(values);
    int32_t volume = machine.notebook().ReadState()->volume;
    size_t wireless = 0;
    size_t volumeSteps = 0;
    size_t displayPresses = 0;
    for (const StormEvent& event : storm.events) {
        if (event.vk != 0) {
            continue;  // Esc and letters: their codes are no notebook key's
        }
        const uint32_t flags =
            (event.extended ? KeyFlag::kExtended : 0) | (event.up ? KeyFlag::kReleased : 0) | kInjected;
        const HotkeyAction action = LookUpHotkey(flags, event.scanCode);
        if (action == HotkeyAction::VolumeUp || action == HotkeyAction::VolumeDown) {
            volume = StepVolumeLevel(VolumeLevelFromValue(values, volume), action == HotkeyAction::VolumeUp) *
                     kVolumeValuePerLevel;
            ++volumeSteps;
        }
        wireless += action == HotkeyAction::ShowWirelessState ? 1 : 0;
        displayPresses += action == HotkeyAction::CycleDisplayOutput ? 1 : 0;
    }

    FocusedWindow focused;
    focused.PumpUntil([&] { return ::GetFocus() == focused.hwnd(); }, 2000);
    // Warm: a short storm of another seed first, so that what the first
    // events allocate once (pictures, queues, buffers) is not counted as growth.
    ASSERT_TRUE(SendKeys(L"storm:" + std::to_wstring(seed + 1) + L":500", 60000));
    Press(KeyFlag::kExtendedRelease, ScanCode::kBrightnessUp);  // its picture too
    Press(KeyFlag::kExtendedRelease, ScanCode::kWireless);
    ASSERT_TRUE(WaitForWirelessReads(1, 5000));
    focused.PumpUntil([&] { return false; }, 500);
    focused.Clear();
    ::Sleep(kSettleMs);
    const sim::CallTotals before = *machine.notebook().ReadCallTotals();
    const uint32_t commitsBefore = machine.notebook().ReadState()->sopsCommits;
    const SIZE_T privateBefore = program.PrivateBytes();

    const DWORD limitMs = std::max<DWORD>(kShortestLimitMs, static_cast<DWORD>(count) / kSlowestEventsPerSecond * 1000);
    bool sent = false;
    DWORD sendMs = 0;
    std::thread sender([&] {
        const DWORD start = ::GetTickCount();
        sent = SendKeys(L"storm:" + std::to_wstring(seed) + L":" + std::to_wstring(count), limitMs);
        sendMs = ::GetTickCount() - start;
    });
    // The application in front keeps reading its keys meanwhile. Halfway,
    // a brightness key whose vendor call stalls holds the program's
    // user-interface thread for a second: the storm goes on through the hook.
    machine.notebook().SetFault(sim::Function::WMI_GetBrightnessVista, sim::Fault::Stall, kStallMs);
    bool stalled = false;
    std::string typed;
    size_t keysRead = 0;
    // Only the keys that came since the last look: a million events stay linear.
    const auto takeTyping = [&] {
        const std::vector<KeyMessage>& keys = focused.Keys();
        for (; keysRead < keys.size(); ++keysRead) {
            if (keys[keysRead].message == WM_KEYDOWN && keys[keysRead].vk >= 'A' && keys[keysRead].vk <= 'Z') {
                typed.push_back(static_cast<char>(keys[keysRead].vk));
            }
        }
        if (!stalled && typed.size() >= storm.typed.size() / 2) {
            Press(KeyFlag::kExtendedRelease, ScanCode::kBrightnessUp);
            stalled = true;
        }
        return typed.size() >= storm.typed.size();
    };
    focused.PumpUntil(takeTyping, limitMs);
    sender.join();
    // Said whatever follows: the rate is what a slow or a stuck run needs known.
    std::printf("storm of %d events (seed %u): %s in %lu ms, %.0f events/s (the limit: %lu ms)\n", count, seed,
                sent ? "sent" : "NOT all sent", static_cast<unsigned long>(sendMs),
                sendMs > 0 ? count * 1000.0 / sendMs : 0.0, static_cast<unsigned long>(limitMs));
    ASSERT_TRUE(sent);
    takeTyping();
    EXPECT_EQ(typed, storm.typed) << "every letter, in order";

    // The program's queue drains: it has shown the wireless state once per
    // release. Counted from the notebook's totals, which never wrap.
    const uint64_t wirelessBefore = before.calls[static_cast<int>(sim::Function::KervoEvaluate)] - kHotkeyModeCalls;
    EXPECT_TRUE(WaitForWirelessReads(wirelessBefore + wireless, 60000));
    // Past the display's commit, 3 s after its last press.
    ::Sleep(kSettleMs);
    const sim::CallTotals after = *machine.notebook().ReadCallTotals();
    const auto made = [&](sim::Function f) {
        return after.calls[static_cast<int>(f)] - before.calls[static_cast<int>(f)];
    };
    const uint32_t commits = machine.notebook().ReadState()->sopsCommits - commitsBefore;
    EXPECT_EQ(made(sim::Function::KervoEvaluate), wireless) << "a wireless read per release, no other";
    EXPECT_EQ(made(sim::Function::SetVolumnVista), volumeSteps);
    EXPECT_EQ(made(sim::Function::ACPIEvalMethodEx), displayPresses + commits) << "a query per press, and the commits";
    EXPECT_LE(commits, displayPresses > 0 ? 1u : 0u) << "one commit, after the last press";
    EXPECT_EQ(machine.notebook().ReadState()->volume, volume);
    EXPECT_EQ(made(sim::Function::WMI_GetBrightnessVista), stalled ? 1u : 0u) << "the stalled key";
    machine.notebook().SetFault(sim::Function::WMI_GetBrightnessVista, sim::Fault::None);

    Press(KeyFlag::kExtendedRelease, ScanCode::kWireless);
    EXPECT_TRUE(WaitForWirelessReads(wirelessBefore + wireless + 1, 5000)) << "the next key is still answered";
    // Measured as before: idle, the display hidden by its own timer.
    ::Sleep(kSettleMs);
    const SIZE_T privateAfter = program.PrivateBytes();
    EXPECT_LE(privateAfter, privateBefore + 64 * 1024) << "grew by " << (privateAfter - privateBefore) << " bytes";

    std::printf(
        "wireless shown %zu times, volume steps %zu, display presses %zu, %zu letters typed; private bytes "
        "%zu -> %zu\n",
        wireless, volumeSteps, displayPresses, storm.typed.size(), static_cast<size_t>(privateBefore),
        static_cast<size_t>(privateAfter));
}

}  // namespace
}  // namespace e2e
