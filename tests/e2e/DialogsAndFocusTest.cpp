// The program's dialogs as a user meets them: they open centred, typed keys
// never end the program and go to the application in front (right after
// start, after a dialog closed, while the OSD shows), and a close ends the
// program at once whatever dialog is open.
#include <gtest/gtest.h>

#include <functional>
#include <iterator>
#include <vector>

#include "FocusedWindow.h"
#include "ProgramHarness.h"
#include "WindowWatch.h"

namespace e2e {
namespace {

// Esc, Enter and Space, the dialog manager's Cancel and OK keys, then typing.
constexpr wchar_t kDialogKeysAndTyping[] = L"01d:1b 01u:1b 1cd:0d 1cu:0d 39d:20 39u:20 text:vask";
const WPARAM kTypedKeys[] = {VK_ESCAPE, VK_RETURN, VK_SPACE, 'V', 'A', 'S', 'K'};
constexpr wchar_t kChargingNoticeTitle[] = L"Korvelane On-Screen Display-Battery Disabeled";

struct Dialog {
    const char* name;
    const wchar_t* title;
    std::function<void(ProgramRun&, FreshNotebook&)> open;
};

const Dialog kDialogs[] = {
    {"About box", L"About VaskHotkey",
     [](ProgramRun& p, FreshNotebook&) { ::PostMessageW(p.MainWindow(), WM_SYSCOMMAND, 0x10, 0); }},
    {"graphics-card confirmation", L"Switch Graphic Card", [](ProgramRun& p, FreshNotebook&) { p.Press(0x81, 0x26); }},
    {"guest notice", L"Korvelane On-Screen Display-Guest User Deny",
     [](ProgramRun& p, FreshNotebook& m) {
         m.notebook().SetFault(sim::Function::WMI_GetBrightnessVista, sim::Fault::Refuse);
         p.Press(0x81, 0x06);
     }},
    {"charging notice", kChargingNoticeTitle,
     [](ProgramRun& p, FreshNotebook& m) {
         m.Set([](sim::State& s) { s.chargingDisabled = 1; });
         p.Press(0x81, 0x07);
     }},
};

HWND Open(const Dialog& dialog, ProgramRun& program, FreshNotebook& machine) {
    dialog.open(program, machine);
    return observe::WaitForWindow(nullptr, dialog.title, 3000, program.Pid());
}

// The application in front runs its loop meanwhile, as any does: a dialog
// that comes to the front talks to it on its way.
bool Gone(HWND window, FocusedWindow& inFront) {
    inFront.PumpUntil([&] { return !::IsWindow(window); }, 3000);
    return !::IsWindow(window);
}

bool StartProgram(ProgramRun& program) { return program.Start() && program.WaitForMainWindow() != nullptr; }

// Types Esc, Enter, Space and letters: the program writes and calls nothing
// and runs on, and the keys reach `focused` when one is given.
void ExpectTypingPassesBy(ProgramRun& program, FreshNotebook& machine, FocusedWindow* focused) {
    if (focused != nullptr) {
        // An application takes the focus back as soon as its loop runs; this
        // test's own loop runs only while it pumps.
        focused->PumpUntil([&] { return ::GetFocus() == focused->hwnd(); }, 2000);
        focused->Pump(20);  // what earlier typing left queued is not counted
        focused->Clear();
    }
    const auto typing = program.EffectOfInput(machine, [&] {
        EXPECT_TRUE(SendKeys(kDialogKeysAndTyping));
        if (focused != nullptr) {
            focused->PumpUntil([&] { return focused->ReceivedVk(WM_KEYUP, 'K'); });
        }
    });
    EXPECT_TRUE(program.Running()) << "a typed key ended the program";
    EXPECT_TRUE(typing.lines.empty()) << ::testing::PrintToString(typing.lines);
    EXPECT_TRUE(typing.calls.empty()) << ::testing::PrintToString(typing.calls);
    if (focused != nullptr) {
        // Every key, in the order typed, none lost on the way.
        std::vector<WPARAM> received;
        for (const KeyMessage& key : focused->Keys()) {
            if (key.message == WM_KEYDOWN) {
                received.push_back(key.vk);
            }
        }
        const observe::WindowInfo front = observe::Inspect(::GetForegroundWindow());
        EXPECT_EQ(received, std::vector<WPARAM>(std::begin(kTypedKeys), std::end(kTypedKeys)))
            << "in front: " << ::testing::PrintToString(front.title) << " ("
            << ::testing::PrintToString(front.className) << ")";
    }
}

// Waits until `window` is shown (or hidden); a handler may still be at work
// once the program has answered a message.
bool Becomes(HWND window, bool visible) {
    for (int i = 0; i < 500 && (::IsWindowVisible(window) != FALSE) != visible; ++i) {
        ::Sleep(10);
    }
    return (::IsWindowVisible(window) != FALSE) == visible;
}

TEST(Typing, NeverEndsTheProgramAndReachesTheApplicationInFront) {
    CloseAnyRunningProgram();
    FreshNotebook machine;
    {
        SCOPED_TRACE("nothing in front");
        ProgramRun program;
        ASSERT_TRUE(StartProgram(program));
        ExpectTypingPassesBy(program, machine, nullptr);
    }
    FocusedWindow focused;
    ProgramRun program;
    ASSERT_TRUE(StartProgram(program));
    {
        SCOPED_TRACE("right after start");
        ExpectTypingPassesBy(program, machine, &focused);
    }

    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    ::GetMonitorInfoW(::MonitorFromWindow(nullptr, MONITOR_DEFAULTTOPRIMARY), &monitor);
    const RECT& area = monitor.rcWork;
    for (const Dialog& dialog : kDialogs) {
        SCOPED_TRACE(dialog.name);
        HWND window = Open(dialog, program, machine);
        ASSERT_NE(window, nullptr);
        RECT rect{};
        ::GetWindowRect(window, &rect);
        EXPECT_NEAR((rect.left + rect.right) / 2, (area.left + area.right) / 2, 1) << "centred across";
        EXPECT_NEAR((rect.top + rect.bottom) / 2, (area.top + area.bottom) / 2, 1) << "centred down";
        ::PostMessageW(window, WM_CLOSE, 0, 0);
        ASSERT_TRUE(Gone(window, focused));
        machine.notebook().SetFault(sim::Function::WMI_GetBrightnessVista, sim::Fault::None);
        machine.Set([](sim::State& s) { s.chargingDisabled = 0; });
        ExpectTypingPassesBy(program, machine, &focused);
    }

    // The displays stay above every window while they show, and the keys
    // stay with the application in front: the volume display, and the battery
    // display, the one raised above everything on purpose.
    HWND osd = program.OsdWindow();
    for (const uint32_t key : {0x28u, 0x07u}) {
        SCOPED_TRACE(key == 0x07u ? "while the battery display shows" : "while the volume display shows");
        ASSERT_TRUE(Becomes(osd, false)) << "a display's timer hides whatever shows then";
        program.Press(0x81, key);
        ASSERT_TRUE(Becomes(osd, true));
        ExpectTypingPassesBy(program, machine, &focused);
        EXPECT_TRUE(::IsWindowVisible(osd));
        EXPECT_NE(::GetWindowLongW(osd, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
    }

    SCOPED_TRACE("after a key closed the charging notice that took the battery display's place");
    machine.Set([](sim::State& s) { s.chargingDisabled = 1; });
    program.Press(0x81, 0x07);
    HWND notice = observe::WaitForWindow(nullptr, kChargingNoticeTitle, 3000, program.Pid());
    ASSERT_NE(notice, nullptr);
    EXPECT_FALSE(::IsWindowVisible(osd));
    // Seen over the user's window even where the system would refuse it the
    // foreground: top-most while open, and above that window.
    EXPECT_NE(::GetWindowLongW(notice, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
    bool above = false;
    for (HWND below = ::GetWindow(notice, GW_HWNDNEXT); below != nullptr && !above;
         below = ::GetWindow(below, GW_HWNDNEXT)) {
        above = below == focused.hwnd();
    }
    EXPECT_TRUE(above) << "the notice is above the user's window";
    machine.Set([](sim::State& s) { s.chargingDisabled = 0; });
    program.Press(0x00, 0x1e);  // as the hook delivers any key
    ASSERT_TRUE(Gone(notice, focused));
    EXPECT_EQ(::GetForegroundWindow(), focused.hwnd()) << "the user's window is in front again";
    ExpectTypingPassesBy(program, machine, &focused);
}

// A dialog that ends after the user moved on to another window leaves that
// window in front: the graphics confirmation the user left open, and the
// program's own hidden main window, whose run ends when an installer closes
// the program while the user works elsewhere. Both would bring back the window
// that was in front when they began.
TEST(Foreground, TheWindowTheUserMovedToStaysInFrontWhenADialogEnds) {
    CloseAnyRunningProgram();
    FreshNotebook machine;
    FocusedWindow first;  // in front when the program starts and the dialog opens
    ProgramRun program;
    ASSERT_TRUE(StartProgram(program));
    OtherWindow other;
    // The X server's own focus events follow late, and may move the
    // foreground once more: in front means still in front once they came.
    const auto moveTo = [&](HWND window) {
        for (int attempt = 0; attempt < 3 && ::GetForegroundWindow() != window; ++attempt) {
            ::SetForegroundWindow(window);
            first.PumpUntil([&] { return ::GetForegroundWindow() == window; }, 2000);
            first.Pump(300);
        }
        return ::GetForegroundWindow() == window;
    };

    ASSERT_TRUE(moveTo(first.hwnd()));
    HWND confirmation = Open(kDialogs[1], program, machine);
    ASSERT_NE(confirmation, nullptr);
    first.PumpUntil([&] { return ::GetForegroundWindow() == confirmation; }, 2000);
    first.Pump(300);
    ASSERT_TRUE(moveTo(other.hwnd()));
    ::PostMessageW(confirmation, WM_COMMAND, IDCANCEL, 0);
    ASSERT_TRUE(Gone(confirmation, first));
    first.Pump(300);
    EXPECT_EQ(::GetForegroundWindow(), other.hwnd()) << "after the confirmation the user left";

    ASSERT_TRUE(moveTo(first.hwnd()));
    ASSERT_TRUE(moveTo(other.hwnd()));
    EXPECT_EQ(RunToEnd(L"Close").exitCode, 0u);
    EXPECT_EQ(program.WaitExit(), 0u);
    first.Pump(300);
    EXPECT_EQ(::GetForegroundWindow(), other.hwnd()) << "after the program's end";
}

TEST(CloseWithADialogOpen, EndsTheProgramAtOnceAndTheDialogDoesNothing) {
    CloseAnyRunningProgram();
    FreshNotebook machine;
    for (const Dialog& dialog : kDialogs) {
        for (const bool byEvent : {false, true}) {
            SCOPED_TRACE(std::string(dialog.name) + (byEvent ? ", close event" : ", \"Close\" start"));
            machine.notebook().Reset();
            ProgramRun program;
            ASSERT_TRUE(StartProgram(program));
            HWND window = Open(dialog, program, machine);
            ASSERT_NE(window, nullptr);
            if (byEvent) {
                ASSERT_TRUE(observe::SignalNamedEvent(L"BTMCloseEvent"));
            } else {
                EXPECT_EQ(RunToEnd(L"Close").exitCode, 0u);
            }
            EXPECT_EQ(program.WaitExit(3000), 0u);
            const std::vector<std::string> lines = program.Lines();
            ASSERT_GE(lines.size(), 2u);
            EXPECT_EQ(std::vector<std::string>(lines.end() - 2, lines.end()),
                      std::vector<std::string>(std::begin(kCloseLines), std::end(kCloseLines)));
            const std::vector<std::string> calls = machine.CallLog();
            EXPECT_EQ(calls.back(), "KervoEvaluate(0x59, [91], 1, null, 0) -> 1");
            for (const std::string& call : calls) {
                EXPECT_EQ(call.find("SGFC"), std::string::npos) << call;
            }
        }
    }
    ProgramRun again;
    EXPECT_TRUE(StartProgram(again)) << "a new start runs";
}

}  // namespace
}  // namespace e2e
