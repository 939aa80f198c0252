// The notebook's keys, delivered to the running program as its keyboard hook
// delivers them: what it writes, what it asks of the notebook, and what the
// OSD shows.
#include <gtest/gtest.h>

#include <cstdio>

#include "ProgramHarness.h"
#include "WindowWatch.h"

namespace e2e {
namespace {

constexpr uint32_t kRelease = 0x81;  // extended key released
constexpr uint32_t kPress = 0x01;    // extended key pressed
constexpr uint32_t kVolumeUp = 0x28;
constexpr uint32_t kVolumeDown = 0x2D;
constexpr uint32_t kMute = 0x20;
constexpr uint32_t kDisplay = 0x0B;
constexpr uint32_t kWireless = 0x04;
constexpr uint32_t kEscape = 0x01;

std::string Format(const char* format, int a, int b) {
    char text[128];
    std::snprintf(text, sizeof(text), format, a, b);
    return text;
}

class Hotkeys : public RunningProgramTest {
protected:
    // Presses, waits for the handler to finish, and for the call that shows
    // the handler has run.
    void PressAndSettle(uint32_t flags, uint32_t scanCode, const std::string& lastLine) {
        const size_t before = program.Lines().size();
        program.Press(flags, scanCode);
        ASSERT_TRUE(program.WaitForNewLine(lastLine, before)) << lastLine;
        ASSERT_TRUE(program.Settle());
    }

    std::vector<std::string> LinesSince(size_t count) const {
        const std::vector<std::string> all = program.Lines();
        return {all.begin() + static_cast<long>(count), all.end()};
    }
};

struct VolumeCase {
    int volume;
    bool up;
    int levelFound;
    int levelSet;
    uint16_t picture;
};

TEST_F(Hotkeys, VolumeKeysStepOneLevelAndShowIt) {
    const VolumeCase cases[] = {
        {0, true, 0, 1, 196},     {0, false, 0, 0, 194},    {5, true, 0, 1, 196},   {5, false, 0, 0, 194},
        {57, true, 5, 6, 200},    {57, false, 5, 4, 198},   {95, true, 9, 10, 204}, {95, false, 9, 8, 202},
        {100, true, 10, 10, 204}, {100, false, 10, 9, 203}, {30, false, 3, 2, 197}, {20, true, 2, 3, 207},
    };
    for (bool muted : {false, true}) {
        for (const VolumeCase& c : cases) {
            SCOPED_TRACE(::testing::Message()
                         << "volume " << c.volume << (c.up ? " up" : " down") << (muted ? ", muted" : ""));
            machine.Set([&](sim::State& s) {
                s.volume = c.volume;
                s.muted = muted ? 1 : 0;
            });
            const size_t before = program.Lines().size();
            const std::string setLine = Format("Set Volume Levels:%d Value:%d\n", c.levelSet, c.levelSet * 10);
            PressAndSettle(kRelease, c.up ? kVolumeUp : kVolumeDown, setLine);

            std::vector<std::string> expected = {
                Format("Current Volume Levels:%d Value:%d\n", c.levelFound, c.levelFound * 10)};
            if (muted) {
                expected.push_back("Mute to UnMute\n");
            }
            expected.push_back(setLine);
            EXPECT_EQ(LinesSince(before), expected);

            const auto state = machine.notebook().ReadState();
            ASSERT_TRUE(state.has_value());
            EXPECT_EQ(state->volume, c.levelSet * 10);
            EXPECT_EQ(state->muted, 0);
            EXPECT_TRUE(::IsWindowVisible(osd));
            EXPECT_EQ(DifferingFromPicture(c.picture), 0) << "picture " << c.picture;
        }
    }
}

TEST_F(Hotkeys, VolumeStepCallsTheMixerInItsOrder) {
    machine.Set([](sim::State& s) {
        s.volume = 57;
        s.muted = 1;
    });
    const auto effect = program.EffectOf(machine, [&] { program.Press(kRelease, kVolumeUp); });
    EXPECT_EQ(effect.calls, (std::vector<std::string>{"GetVolumnVista() -> 57", "GetMuteVista() -> 1",
                                                      "SetMuteVista(0) -> 1", "SetVolumnVista(60) -> 1"}));
}

TEST_F(Hotkeys, MuteKeyShowsTheStateAMomentAfterTheRelease) {
    for (bool mutedAfter : {true, false, true}) {
        machine.Set([&](sim::State& s) { s.muted = mutedAfter ? 0 : 1; });
        program.Press(kRelease, kMute);
        // The system flips mute itself on the key; the program looks 100 ms later.
        machine.Set([&](sim::State& s) { s.muted = mutedAfter ? 1 : 0; });
        ASSERT_TRUE(machine.WaitForCall("GetMuteVista()"));
        ASSERT_TRUE(program.Settle());
        EXPECT_EQ(DifferingFromPicture(mutedAfter ? 156 : 155), 0) << (mutedAfter ? "muted" : "sounding");
    }
    EXPECT_EQ(program.Lines(), StartLines()) << "the mute display writes no line";
}

TEST_F(Hotkeys, WirelessKeyShowsTheSwitchBit) {
    const struct {
        uint8_t ecByte;
        const char* line;
        uint16_t picture;
    } cases[] = {
        {0x10, "SWITCH_ON", 157}, {0x00, "SWITCH_OFF", 158}, {0xFF, "SWITCH_ON", 157}, {0xEF, "SWITCH_OFF", 158}};
    // Turning over at each press: the third and fourth pictures are drawn
    // from what the first two loads kept, and must be theirs to the pixel.
    for (const auto& c : cases) {
        machine.Set([&](sim::State& s) { s.ec[0xBB] = c.ecByte; });
        const size_t before = program.Lines().size();
        PressAndSettle(kRelease, kWireless, c.line);
        EXPECT_EQ(LinesSince(before), std::vector<std::string>{c.line});
        EXPECT_EQ(DifferingFromPicture(c.picture), 0) << int{c.ecByte};
    }
}

// A window of another program that carries a notice's title is not the
// program's notice: a key sends it none of the notices' close messages.
LRESULT CALLBACK CountNoticeCloses(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_USER + 100 || message == WM_USER + 101) {
        ::SetWindowLongPtrW(window, GWLP_USERDATA, ::GetWindowLongPtrW(window, GWLP_USERDATA) + 1);
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

// At every display scaling the user may choose, the OSD sits at the centre of
// the desktop the program is shown, after a display change and after a key.
// (The debugger answers the display mode as Windows does for a program
// without DPI awareness: the desktop's size times the scale.)
TEST_F(Hotkeys, OsdIsCentredAtEveryDisplayScaling) {
    const POINT centre{::GetSystemMetrics(SM_CXSCREEN) / 2, ::GetSystemMetrics(SM_CYSCREEN) / 2};
    for (int scale : {100, 150, 250}) {
        SCOPED_TRACE(scale);
        machine.Set([&](sim::State& s) { s.displayScale = scale; });
        DWORD_PTR result = 0;
        ::SendMessageTimeoutW(osd, WM_DISPLAYCHANGE, 32, MAKELPARAM(centre.x * 2, centre.y * 2), SMTO_NORMAL, 5000,
                              &result);
        RECT rect = observe::Inspect(osd).rect;
        EXPECT_NEAR(rect.left + 95, centre.x, 1) << "after the display change";
        EXPECT_NEAR(rect.top + 57, centre.y, 1);
        program.EffectOf(machine, [] {});  // the wireless key shows the display
        program.Settle();                  // the line comes before the picture is drawn
        rect = observe::Inspect(osd).rect;
        EXPECT_NEAR((rect.left + rect.right) / 2, centre.x, 1) << "after a key";
        EXPECT_NEAR((rect.top + rect.bottom) / 2, centre.y, 1);
        EXPECT_EQ(rect.right - rect.left, 190);
    }
}

TEST_F(Hotkeys, KeysSendNothingToOtherWindowsWithANoticeTitle) {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = &CountNoticeCloses;
    windowClass.hInstance = ::GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"OtherProgramsNotice";
    ::RegisterClassW(&windowClass);
    HWND others[] = {::CreateWindowExW(0, windowClass.lpszClassName, L"Korvelane On-Screen Display-Battery Disabeled",
                                       WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, windowClass.hInstance, nullptr),
                     ::CreateWindowExW(0, windowClass.lpszClassName, L"Korvelane On-Screen Display-Guest User Deny",
                                       WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, windowClass.hInstance, nullptr)};
    machine.Set([](sim::State& s) { s.ec[0xBB] = 0x10; });
    program.Press(kRelease, kWireless);
    observe::PumpMessages(300);  // a message sent to these windows arrives here
    EXPECT_TRUE(program.WaitForLine("SWITCH_ON"));
    for (HWND other : others) {
        EXPECT_EQ(::GetWindowLongPtrW(other, GWLP_USERDATA), 0);
        ::DestroyWindow(other);
    }
}

TEST_F(Hotkeys, RefusedWirelessReadShowsNothing) {
    ::ShowWindow(osd, SW_HIDE);
    machine.notebook().SetFault(sim::Function::KervoEvaluate, sim::Fault::Refuse);
    const size_t before = program.Lines().size();
    program.Press(kRelease, kWireless);
    ASSERT_TRUE(program.WaitForLine("Can't Read EC Namespace!\n"));
    program.Settle();
    EXPECT_EQ(LinesSince(before), std::vector<std::string>{"Can't Read EC Namespace!\n"});
    EXPECT_FALSE(::IsWindowVisible(osd));
}

TEST_F(Hotkeys, WirelessReadThatWritesNothingShowsTheSwitchOn) {
    machine.Set([](sim::State& s) { s.ec[0xBB] = 0x00; });
    machine.notebook().SetFault(sim::Function::KervoEvaluate, sim::Fault::NoWrite);
    program.Press(kRelease, kWireless);
    EXPECT_TRUE(program.WaitForLine("SWITCH_ON"));
}

TEST_F(Hotkeys, KeysThatMatchNoRowDoNothingAtAll) {
    const auto effect = program.EffectOf(machine, [&] {
        // Presses of release-acting keys, Alt-held and injected releases, the
        // display key's release, Esc as an extended key, ordinary typing.
        for (uint32_t scan : {kVolumeUp, kVolumeDown, kMute, 0x05u, 0x06u, 0x09u, 0x26u, 0x27u}) {
            program.Press(kPress, scan);
            program.Press(0xA1, scan);
            program.Press(0x91, scan);
            program.Press(0x80, scan);
        }
        program.Press(kRelease, kDisplay);
        program.Press(0x11, kDisplay);
        program.Press(kRelease, kEscape);
        program.Press(0x80, 0x07);
        program.Press(0x80, kWireless);
        for (uint32_t scan = 0x10; scan < 0x1A; ++scan) {  // q w e r t y u i o p
            program.Press(0x00, scan);
            program.Press(0x80, scan);
        }
    });
    EXPECT_TRUE(effect.lines.empty()) << ::testing::PrintToString(effect.lines);
    EXPECT_TRUE(effect.calls.empty()) << ::testing::PrintToString(effect.calls);
}

TEST_F(Hotkeys, BatteryAndWirelessRowsIgnoreAltAndInjectedBits) {
    for (uint32_t flags : {0xA1u, 0x91u, 0x83u}) {
        const size_t before = program.Lines().size();
        PressAndSettle(flags, kWireless, "SWITCH_ON");
        EXPECT_EQ(LinesSince(before), std::vector<std::string>{"SWITCH_ON"}) << flags;
    }
}

TEST_F(Hotkeys, EscapeHidesTheOsdAndLeavesItsTimers) {
    machine.Set([](sim::State& s) { s.connectedOutputs = 0x09; });
    PressAndSettle(kPress, kDisplay, "Got plugin display port : 0x09 ");
    ASSERT_TRUE(::IsWindowVisible(osd));
    const size_t before = program.Lines().size();
    program.Press(0x80, kEscape);
    EXPECT_TRUE(WaitUntil([&] { return !::IsWindowVisible(osd); }));
    // The commit still fires and sends the choice.
    ::PostMessageW(osd, WM_TIMER, 1, 0);
    EXPECT_TRUE(program.WaitForLine("Set Display port is :0x08"));
    EXPECT_EQ(LinesSince(before), std::vector<std::string>{"Set Display port is :0x08"});
    EXPECT_TRUE(machine.WaitForCall("ACPIEvalMethodEx(SOPS, arg=0x00000008"));
}

TEST_F(Hotkeys, NotebookToolPressesKeysAsTheHookDelivers) {
    machine.Set([](sim::State& s) { s.volume = 30; });
    const size_t before = program.Lines().size();
    const ToolRun up = RunTool(L"notebook.exe", L"press volume-up");
    EXPECT_EQ(up.exitCode, 0u) << up.output;
    EXPECT_EQ(up.output, "posted flags 0x01 scan 0x28\nposted flags 0x81 scan 0x28\n");
    EXPECT_TRUE(machine.WaitForCall("SetVolumnVista(40) -> 1"));
    EXPECT_TRUE(program.WaitForNewLine("Set Volume Levels:4 Value:40\n", before));
    program.Settle();

    // One event with raw flags: Alt held, so no row matches.
    const auto altHeld = program.EffectOf(machine, [&] {
        EXPECT_EQ(RunTool(L"notebook.exe", L"press volume-up --flags a1").exitCode, 0u);
        EXPECT_EQ(RunTool(L"notebook.exe", L"press --scan 2d --up").exitCode, 0u);
    });
    EXPECT_TRUE(altHeld.calls.empty()) << ::testing::PrintToString(altHeld.calls);
    EXPECT_TRUE(altHeld.lines.empty()) << "--scan without --extended is not the volume key";

    EXPECT_EQ(RunTool(L"notebook.exe", L"press volume-sideways").exitCode, 2u);
    EXPECT_EQ(RunTool(L"notebook.exe", L"press esc --flags zz").exitCode, 2u);
    const ToolRun help = RunTool(L"notebook.exe", L"press --help");
    EXPECT_NE(help.output.find("display          scan 0x0b"), std::string::npos) << help.output;
}

TEST(NotebookTool, WithoutTheProgramAPressOrADroppedHookSaysSoASleepStillSleeps) {
    CloseAnyRunningProgram();
    FreshNotebook machine;
    const ToolRun run = RunTool(L"notebook.exe", L"press mute");
    EXPECT_EQ(run.exitCode, 1u);
    EXPECT_EQ(run.output, "notebook: VaskHotkey is not running\n");
    const ToolRun drop = RunTool(L"notebook.exe", L"drop-hook");
    EXPECT_EQ(drop.exitCode, 2u);
    EXPECT_EQ(drop.output, "notebook: VaskHotkey is not running: there is no hook to drop\n");
    machine.Set([](sim::State& s) { s.hotkeyMode = 1; });
    const ToolRun sleep = RunTool(L"notebook.exe", L"sleep");
    EXPECT_EQ(sleep.exitCode, 0u);
    EXPECT_EQ(sleep.output, "VaskHotkey is not running: no window to tell\nthe controller left hotkey mode\n");
    EXPECT_EQ(machine.notebook().ReadState()->hotkeyMode, 0);
}

}  // namespace
}  // namespace e2e
