// A notebook's day in one run: the program lives through every notebook key,
// typing in between, vendor faults and stalls switched on and off, display
// scaling and display changes, sleep and wake, lock and unlock, a removed
// hook, the charging notice and the graphics confirmation answered, and now
// and then a "Close" and a new start. It must never die, close cleanly each
// time, answer every key once it had its stated time to recover, pass every
// letter typed on whole, and come back to no more memory, handles, GDI or
// USER objects in the last quarter of each copy's life than in its second.
//
// Copies alternate: one at log-on conditions (no debugger; keys also through
// the hook, a dropped hook), one under the project's debugger, which the
// battery, the charging notice and the display scaling need (and whose lines
// are checked), keys posted as the hook posts them: under Wine a debugged
// program's hook misses a key event now and then.
//
// ENDURANCE_S sets the length (make endurance: 600 s; make test: 60 s);
// VASK_ENDURANCE_SEED the order of the steps.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <random>
#include <string>

#include "FocusedWindow.h"
#include "Process.h"
#include "ProcessObjects.h"
#include "ProgramHarness.h"
#include "WindowWatch.h"
#include "framework/Handles.h"
#include "hotkeys/DecisionTable.h"
#include "osd/DisplayOutputRules.h"

namespace e2e {
namespace {

using sim::Function;

constexpr int kDefaultSeconds = 60;
constexpr DWORD kAnswerMs = 5000;   // a key's vendor call, once nothing stalls
constexpr DWORD kRecoverMs = 1000;  // a dropped hook, after the next key
constexpr SIZE_T kPrivateSlack = 256 * 1024;
// Under Wine the system keeps the device contexts, regions and surfaces it
// made for the most windows ever drawn at once, a set of three of each more
// whenever a copy's life brings a new mix of them (measured: 121 GDI objects
// at rest after the warm-up, 125 within 20 s, flat over the 380 s after; once
// 121 -> 130 late in a 150 s life). One such set may come in each stretch.
constexpr long kWindowGdiSlack = 9;
constexpr wchar_t kGuestTitle[] = L"Korvelane On-Screen Display-Guest User Deny";
constexpr wchar_t kChargingTitle[] = L"Korvelane On-Screen Display-Battery Disabeled";
constexpr wchar_t kConfirmationTitle[] = L"Switch Graphic Card";
constexpr wchar_t kOsdTitle[] = L"Function_control_window";

// A notebook key and the vendor function whose call answers it.
struct NotebookKey {
    const char* name;
    uint32_t scan;
    uint32_t flags;
    Function answer;
    bool needsDebugger;  // the power status is answered by the debugger
};
const NotebookKey kKeys[] = {
    {"volume-up", ScanCode::kVolumeUp, KeyFlag::kExtendedRelease, Function::SetVolumnVista, false},
    {"volume-down", ScanCode::kVolumeDown, KeyFlag::kExtendedRelease, Function::SetVolumnVista, false},
    {"mute", ScanCode::kMute, KeyFlag::kExtendedRelease, Function::GetMuteVista, false},
    {"brightness-up", ScanCode::kBrightnessUp, KeyFlag::kExtendedRelease, Function::WMI_GetBrightnessVista, false},
    {"brightness-down", ScanCode::kBrightnessDown, KeyFlag::kExtendedRelease, Function::WMI_GetBrightnessVista, false},
    {"wireless", ScanCode::kWireless, KeyFlag::kExtendedRelease, Function::KervoEvaluate, false},
    {"display", ScanCode::kDisplayOutput, KeyFlag::kExtended, Function::ACPIEvalMethodEx, false},
    {"battery", ScanCode::kBattery, KeyFlag::kExtendedRelease, Function::GetSystemPowerStatus, true},
};
const NotebookKey& Key(const char* name) {
    for (const NotebookKey& key : kKeys) {
        if (std::string(key.name) == name) {
            return key;
        }
    }
    return kKeys[0];
}

// One copy of the program.
class Copy {
public:
    Copy(FreshNotebook& machine, bool debugged) : m_debugged(debugged) {
        if (debugged) {
            m_run = std::make_unique<ProgramRun>();
            m_started = m_run->Start() && m_run->WaitForMainWindow() != nullptr;
            m_main = m_run->MainWindow();
            m_pid = m_run->Pid();
        } else {
            m_plain = std::make_unique<PlainRun>();
            m_started = m_plain->Start(machine);
            m_main = m_plain->MainWindow();
            m_pid = m_plain->Pid();
        }
    }
    bool Started() const { return m_started; }
    bool Debugged() const { return m_debugged; }
    HWND Main() const { return m_main; }
    DWORD Pid() const { return m_pid; }
    bool Running() const {
        const UniqueKernelHandle process(::OpenProcess(SYNCHRONIZE, FALSE, m_pid));
        return process && ::WaitForSingleObject(process.get(), 0) == WAIT_TIMEOUT;
    }
    void Post(uint32_t flags, uint32_t scan) const { ::PostMessageW(m_main, WM_FNKEY_EVENT, flags, scan); }
    std::vector<std::string> Lines() const { return m_run ? m_run->Lines() : std::vector<std::string>{}; }
    // A "Close" start, as an installer ends the program; its exit code.
    std::optional<DWORD> Close() {
        const Finished close = RunToEnd(L"Close");
        if (close.exitCode != std::optional<DWORD>(0)) {
            return close.exitCode;
        }
        if (m_run) {
            return m_run->WaitExit();
        }
        const UniqueKernelHandle process(::OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, m_pid));
        DWORD code = 0xFFFFFFFF;
        if (process && ::WaitForSingleObject(process.get(), kStartTimeoutMs) == WAIT_OBJECT_0) {
            ::GetExitCodeProcess(process.get(), &code);
        }
        return code;
    }

private:
    bool m_debugged;
    bool m_started = false;
    HWND m_main = nullptr;
    DWORD m_pid = 0;
    std::unique_ptr<ProgramRun> m_run;
    std::unique_ptr<PlainRun> m_plain;
};

struct Tally {
    int copies = 0;
    long keys = 0;
    long answered = 0;
    long letters = 0;
    long lettersArrived = 0;
    int sleeps = 0;
    int locks = 0;
    int drops = 0;
    int stalls = 0;
    int refusals = 0;
    int notices = 0;
    int confirmations = 0;
    int displayChanges = 0;
    int setUps = 0;  // each way back the copy was told of
    long long privateGrowth = 0;
    long handleGrowth = 0;
    long gdiGrowth = 0;
    long userGrowth = 0;
};

class Life {
public:
    Life(FreshNotebook& machine, FocusedWindow& focused, uint32_t seed)
        : m_machine(machine), m_focused(focused), m_random(seed) {}
    Tally& tally() { return m_tally; }

    uint64_t Total(Function f) { return m_machine.notebook().ReadCallTotals()->calls[static_cast<int>(f)]; }
    bool WaitForCalls(Function f, uint64_t atLeast, DWORD timeoutMs) {
        const DWORD start = ::GetTickCount();
        while (Total(f) < atLeast) {
            if (::GetTickCount() - start > timeoutMs) {
                return false;
            }
            m_focused.Pump(5);
        }
        return true;
    }
    void Tool(const std::wstring& args) {
        const ToolRun run = RunTool(L"notebook.exe", args);
        EXPECT_EQ(run.exitCode, 0u) << observe::Narrow(args) << ": " << run.output;
    }
    template <class F>
    void Set(F&& change) {
        m_machine.Set(std::forward<F>(change));
    }

    // A key, posted as the hook posts it, or through the system's input where
    // its row takes the injected bit; answered within `timeoutMs`.
    void PressKey(Copy& copy, const NotebookKey& key, bool throughHook, DWORD timeoutMs = kAnswerMs) {
        const uint64_t before = Total(key.answer);
        ++m_tally.keys;
        if (throughHook) {
            EXPECT_TRUE(SendKeys(L"x" + Hex(key.scan) + L"d x" + Hex(key.scan) + L"u"));
        } else {
            copy.Post(key.flags, key.scan);
        }
        const bool answered = WaitForCalls(key.answer, before + 1, timeoutMs);
        EXPECT_TRUE(answered) << key.name << (throughHook ? " through the hook" : " posted");
        m_tally.answered += answered ? 1 : 0;
    }
    void AnyKey(Copy& copy) {
        const NotebookKey* key = nullptr;
        do {
            key = &kKeys[Pick(std::size(kKeys))];
        } while (key->needsDebugger && !copy.Debugged());
        // The wireless and battery rows take the injected bit of input events.
        const bool hookable = key->answer == Function::KervoEvaluate || key->answer == Function::GetSystemPowerStatus;
        PressKey(copy, *key, hookable && !copy.Debugged() && Pick(2) == 0);
    }
    void Typing(const char* why) {
        std::wstring word;
        for (size_t i = 0, n = 5 + Pick(30); i < n; ++i) {
            word.push_back(static_cast<wchar_t>(L'a' + Pick(26)));
        }
        TakeTheFront();
        const size_t from = m_focused.Keys().size();
        ASSERT_TRUE(SendKeys(L"text:" + word));
        std::wstring arrived;
        m_focused.PumpUntil(
            [&] {
                arrived.clear();
                const std::vector<KeyMessage>& keys = m_focused.Keys();
                for (size_t i = from; i < keys.size(); ++i) {
                    if (keys[i].message == WM_KEYDOWN && keys[i].vk >= 'A' && keys[i].vk <= 'Z') {
                        arrived.push_back(static_cast<wchar_t>(keys[i].vk - 'A' + 'a'));
                    }
                }
                return arrived.size() >= word.size();
            },
            5000);
        m_tally.letters += static_cast<long>(word.size());
        m_tally.lettersArrived += arrived == word ? static_cast<long>(word.size()) : 0;
        EXPECT_EQ(observe::Narrow(arrived), observe::Narrow(word)) << "typing " << why;
    }

    // Every picture the copy can show, and every dialog, once: the OSD keeps
    // each picture it has loaded, and the system keeps what it made for the
    // first dialog of each kind shown (window surfaces with their device
    // contexts, the system colours' brushes, a dialog's icon; measured under
    // Wine: about thirty objects, made once, ten of them only once the
    // confirmation has come in front of another program's window). From here
    // on the copy's objects stay as they are.
    void WarmUp(Copy& copy) {
        Set([](sim::State& s) {
            s.volume = 0;
            s.muted = 0;
        });
        for (int i = 0; i < 11; ++i) {
            PressKey(copy, Key("volume-up"), false);
        }
        for (int i = 0; i < 11; ++i) {
            PressKey(copy, Key("volume-down"), false);
        }
        for (const int muted : {1, 0}) {
            Set([&](sim::State& s) { s.muted = muted; });
            PressKey(copy, Key("mute"), false);
        }
        const sim::State state = *m_machine.notebook().ReadState();
        for (int32_t level : state.brightnessLevels) {
            Set([&](sim::State& s) { s.brightness = level; });
            PressKey(copy, Key("brightness-up"), false);
            PressKey(copy, Key("brightness-down"), false);
        }
        for (const uint8_t on : {uint8_t{1}, uint8_t{0}}) {
            Set([&](sim::State& s) { s.ec[sim::kEcWirelessRegister] = on ? sim::kEcWirelessBit : 0; });
            PressKey(copy, Key("wireless"), false);
        }
        // A whole cycle of the outputs plugged in, which stay so.
        const uint8_t plugged = static_cast<uint8_t>(state.connectedOutputs);
        for (int32_t press = 1; press <= 8; ++press) {
            PressKey(copy, Key("display"), false);
            if (LookUpDisplayStep(plugged, press).last) {
                break;
            }
        }
        // Each dialog as it comes in the day: over the user's window, which
        // the confirmation joins for a moment to come in front.
        Typing("before the first dialogs");
        RefusedBrightness(copy);
        Confirmation(copy);
        Typing("between the first dialogs");
        Confirmation(copy);
        if (copy.Debugged()) {
            PressKey(copy, Key("battery"), false);
            ChargingNotice(copy);
        }
    }

    // What the copy holds once it has come to rest: no dialog, no stall, the
    // same picture (a cached one) in the OSD.
    observe::ProcessObjects Sample(Copy& copy) {
        PressKey(copy, Key("wireless"), false);
        m_focused.Pump(800);
        return observe::CountProcessObjects(copy.Pid());
    }

    void Step(Copy& copy) {
        const int roll = static_cast<int>(Pick(100));
        if (roll < 40) {
            AnyKey(copy);
        } else if (roll < 55) {
            Typing("between keys");
        } else if (roll < 61) {
            Stall(copy);
        } else if (roll < 65) {
            RefusedBrightness(copy);
        } else if (roll < 68) {
            DisplayChange(copy);
        } else if (roll < 75) {
            SleepAndWake(copy);
        } else if (roll < 80) {
            LockAndUnlock(copy);
        } else if (roll < 85 && !copy.Debugged()) {
            DroppedHook();
        } else if (roll < 90 && copy.Debugged()) {
            ChargingNotice(copy);
        } else if (roll < 95) {
            Confirmation(copy);
        } else {
            AnyKey(copy);
        }
    }

private:
    size_t Pick(size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(m_random); }
    static std::wstring Hex(uint32_t v) {
        wchar_t text[8];
        std::swprintf(text, 8, L"%02x", static_cast<unsigned>(v));
        return text;
    }
    // The user's window in front again after a dialog, as an application
    // takes it back; the X server's late focus events wait out first.
    void TakeTheFront() {
        if (::GetForegroundWindow() != m_focused.hwnd()) {
            ::SetForegroundWindow(m_focused.hwnd());
            m_focused.PumpUntil([&] { return ::GetForegroundWindow() == m_focused.hwnd(); }, 2000);
            m_focused.Pump(300);
        }
        m_focused.PumpUntil([&] { return ::GetFocus() == m_focused.hwnd(); }, 1000);
    }
    HWND WaitForDialog(Copy& copy, const wchar_t* title) {
        return observe::WaitForWindow(nullptr, title, 3000, copy.Pid());
    }
    bool Gone(HWND window) {
        m_focused.PumpUntil([&] { return !::IsWindow(window); }, 3000);
        return !::IsWindow(window);
    }

    // A slow service: typing goes on meanwhile, and the key is answered once
    // the call returns.
    void Stall(Copy& copy) {
        static const struct {
            Function function;
            const char* key;
        } kStallable[] = {{Function::GetVolumnVista, "volume-up"},
                          {Function::WMI_GetBrightnessVista, "brightness-down"},
                          {Function::GetMuteVista, "mute"},
                          {Function::ACPIEvalMethodEx, "display"}};
        const auto& stalled = kStallable[Pick(std::size(kStallable))];
        const DWORD stallMs = static_cast<DWORD>(200 + Pick(1300));
        ASSERT_TRUE(m_machine.notebook().SetFault(stalled.function, sim::Fault::Stall, stallMs));
        ++m_tally.stalls;
        const NotebookKey& key = Key(stalled.key);
        const uint64_t before = Total(key.answer);
        copy.Post(key.flags, key.scan);
        ++m_tally.keys;
        Typing("during a stall");
        const bool answered = WaitForCalls(key.answer, before + 1, stallMs + kAnswerMs);
        EXPECT_TRUE(answered) << key.name << " after a stall of " << stallMs << " ms";
        m_tally.answered += answered ? 1 : 0;
        m_machine.notebook().SetFault(stalled.function, sim::Fault::None);
    }

    // The brightness service refuses: the guest notice, which the next key closes.
    void RefusedBrightness(Copy& copy) {
        m_machine.notebook().SetFault(Function::WMI_GetBrightnessVista, sim::Fault::Refuse);
        PressKey(copy, Key("brightness-up"), false);
        HWND notice = WaitForDialog(copy, kGuestTitle);
        EXPECT_NE(notice, nullptr) << "the guest notice";
        m_machine.notebook().SetFault(Function::WMI_GetBrightnessVista, sim::Fault::None);
        PressKey(copy, Key("wireless"), false);
        EXPECT_TRUE(notice == nullptr || Gone(notice)) << "the next key closed the guest notice";
        ++m_tally.refusals;
    }

    // Another scaling and a display change: the OSD goes on answering.
    void DisplayChange(Copy& copy) {
        static const int32_t kScales[] = {100, 125, 150, 200, 250};
        const int32_t scale = kScales[Pick(std::size(kScales))];
        Set([&](sim::State& s) { s.displayScale = scale; });
        if (HWND osd = observe::WaitForWindow(nullptr, kOsdTitle, 1000, copy.Pid())) {
            ::PostMessageW(osd, WM_DISPLAYCHANGE, 32, MAKELPARAM(1280, 800));
        }
        ++m_tally.displayChanges;
        PressKey(copy, Key("volume-up"), false);
    }

    void SleepAndWake(Copy& copy) {
        const bool modern = Pick(2) == 0;
        Tool(modern ? L"sleep --modern" : L"sleep");
        if (Pick(2) == 0) {
            // Asleep, the keyboard sends a plain function key the program leaves alone.
            const uint64_t before = Total(Function::Keyboard);
            Tool(L"press volume-up");
            EXPECT_EQ(Total(Function::Keyboard), before + 1);
        }
        Tool(modern ? L"wake --modern" : L"wake");
        EXPECT_EQ(m_machine.notebook().ReadState()->hotkeyMode, 1) << "hotkey mode after the wake";
        ++m_tally.sleeps;
        ++m_tally.setUps;
        AnyKey(copy);
        PressKey(copy, Key("wireless"), !copy.Debugged());
    }

    void LockAndUnlock(Copy& copy) {
        Tool(L"lock");
        if (Pick(2) == 0) {
            Typing("while locked");
        }
        Tool(L"unlock");
        ++m_tally.locks;
        ++m_tally.setUps;
        PressKey(copy, Key("wireless"), !copy.Debugged());
    }

    // Windows removed the hook, as it does one whose call took too long: after
    // the next letter, a key through the hook is answered within a second.
    void DroppedHook() {
        Typing("before the hook was dropped");
        Tool(L"drop-hook");
        ++m_tally.drops;
        Typing("after the hook was dropped");
        const double typedAt = NowMs();
        const uint64_t before = Total(Function::KervoEvaluate);
        bool answered = false;
        while (!answered && NowMs() - typedAt <= kRecoverMs) {
            EXPECT_TRUE(SendKeys(L"x04d x04u"));
            answered = WaitForCalls(Function::KervoEvaluate, before + 1, 100);
        }
        ++m_tally.keys;
        m_tally.answered += answered ? 1 : 0;
        EXPECT_TRUE(answered) << "a key through the hook within " << kRecoverMs << " ms of the letter";
    }

    void ChargingNotice(Copy& copy) {
        Set([](sim::State& s) { s.chargingDisabled = 1; });
        PressKey(copy, Key("battery"), false);
        HWND notice = WaitForDialog(copy, kChargingTitle);
        EXPECT_NE(notice, nullptr) << "the charging notice";
        Set([](sim::State& s) { s.chargingDisabled = 0; });
        PressKey(copy, Key("wireless"), false);
        EXPECT_TRUE(notice == nullptr || Gone(notice)) << "the next key closed the charging notice";
        ++m_tally.notices;
    }

    // The graphics-card question, answered Yes or No.
    void Confirmation(Copy& copy) {
        const uint64_t before = Total(Function::ControlMethod);
        copy.Post(KeyFlag::kExtendedRelease, ScanCode::kGraphicsSwitch);
        HWND dialog = WaitForDialog(copy, kConfirmationTitle);
        ASSERT_NE(dialog, nullptr) << "the graphics-card confirmation";
        const bool yes = Pick(2) == 0;
        ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(yes ? IDOK : IDCANCEL, BN_CLICKED), 0);
        EXPECT_TRUE(Gone(dialog));
        if (yes) {
            EXPECT_TRUE(WaitForCalls(Function::ControlMethod, before + 1, kAnswerMs)) << "Yes asked the firmware";
        }
        ++m_tally.confirmations;
    }

    FreshNotebook& m_machine;
    FocusedWindow& m_focused;
    std::mt19937 m_random;
    Tally m_tally;
};

// The least of each count over a stretch of a copy's life. The system makes
// and frees objects of its own as windows come and go (a window's surface and
// its device contexts, a few at a time, measured under Wine), so one count
// can be a few high; what a leak raises is the floor the counts come back to.
// Each kind of GDI object has its floor of its own: a step of one kind must
// not hide behind, nor add up with, a step of another.
struct Floor {
    std::optional<observe::ProcessObjects> least;
    void Add(const observe::ProcessObjects& o) {
        if (!least) {
            least = o;
            return;
        }
        least->privateBytes = std::min(least->privateBytes, o.privateBytes);
        least->handles = std::min(least->handles, o.handles);
        least->userObjects = std::min(least->userObjects, o.userObjects);
        least->gdiObjects = std::min(least->gdiObjects, o.gdiObjects);
        for (size_t kind = 0; kind < o.gdiByKind.size(); ++kind) {
            least->gdiByKind[kind] = std::min(least->gdiByKind[kind], o.gdiByKind[kind]);
        }
    }
};

// A leak goes on growing; what the system makes once for itself (device
// contexts and window surfaces it keeps, measured under Wine: ten objects made
// at one moment in a copy's life, the first time the graphics confirmation
// joins the input of the window in front on a busy machine; the heap's next
// stretch of memory) is one step. A count that rose by more than its slack
// from the second quarter to the third and again from the third to the last
// grew.
bool GrewThroughout(long long second, long long third, long long last, long long slack) {
    return third - second > slack && last - third > slack;
}

// The kinds of GDI object that grew through a copy's life, told apart by who
// makes them: the program's pictures, brushes, fonts and pens are its own,
// none may keep growing; device contexts, regions and window surfaces are
// also what the system makes for the windows on the screen (Wine: one set of
// three of each when another mix of windows first comes up), which may step
// once by more than `windowSlack` and come to rest. Empty when nothing grew.
std::string GdiGrown(const observe::ProcessObjects& second, const observe::ProcessObjects& third,
                     const observe::ProcessObjects& last, long windowSlack) {
    long windowKinds[3] = {0, 0, 0};
    std::string grown;
    for (size_t kind = 0; kind < second.gdiByKind.size(); ++kind) {
        const long counts[3] = {second.gdiByKind[kind], third.gdiByKind[kind], last.gdiByKind[kind]};
        if (observe::IsWindowSystemGdiKind(kind)) {
            for (int q = 0; q < 3; ++q) {
                windowKinds[q] += counts[q];
            }
        } else if (GrewThroughout(counts[0], counts[1], counts[2], 0)) {
            grown += (grown.empty() ? "" : ", ") + observe::GdiKindName(kind) + " " + std::to_string(counts[0]) +
                     " -> " + std::to_string(counts[1]) + " -> " + std::to_string(counts[2]);
        }
    }
    if (GrewThroughout(windowKinds[0], windowKinds[1], windowKinds[2], windowSlack)) {
        grown += (grown.empty() ? "" : ", ") + std::string("DCs, regions and surfaces ") +
                 std::to_string(windowKinds[0]) + " -> " + std::to_string(windowKinds[1]) + " -> " +
                 std::to_string(windowKinds[2]);
    }
    return grown;
}

std::string Figures(const observe::ProcessObjects& o) {
    char text[128];
    std::snprintf(text, sizeof(text), "private %.2f MB, %ld handles, %ld GDI, %ld USER objects",
                  o.privateBytes / 1048576.0, o.handles, o.gdiObjects, o.userObjects);
    return text;
}

std::string Progress(const Tally& t) {
    char text[320];
    std::snprintf(text, sizeof(text),
                  "%d copies, %ld keys (%ld answered), %ld letters (%ld whole), %d sleeps, %d locks, %d dropped "
                  "hooks, %d stalls, %d refusals, %d charging notices, %d confirmations, %d display changes",
                  t.copies, t.keys, t.answered, t.letters, t.lettersArrived, t.sleeps, t.locks, t.drops, t.stalls,
                  t.refusals, t.notices, t.confirmations, t.displayChanges);
    return text;
}

TEST(Endurance, ANotebooksDayOfMixedLife) {
    const int seconds = CountFromEnvironment("ENDURANCE_S", kDefaultSeconds);
    const uint32_t seed = static_cast<uint32_t>(CountFromEnvironment("VASK_ENDURANCE_SEED", 2026));
    // Four copies or so, each a whole life long enough to warm up and live a
    // while: at least two (one of each kind), none longer than four minutes.
    const int copies = std::max({2, std::min(4, seconds / 25), static_cast<int>(std::ceil(seconds / 240.0))});
    const double copyLifeMs = seconds * 1000.0 / copies;
    CloseAnyRunningProgram();
    FreshNotebook machine;
    FocusedWindow focused;
    Life life(machine, focused, seed);
    Tally& tally = life.tally();
    std::printf("endurance: %d s, seed %u\n", seconds, seed);
    const double start = NowMs();
    const double end = start + seconds * 1000.0;
    int thirdsTold = 0;
    bool allClosed = true;
    for (int index = 0; index < copies && !::testing::Test::HasFatalFailure(); ++index) {
        const bool debugged = index % 2 == 1;
        Copy copy(machine, debugged);
        ASSERT_TRUE(copy.Started()) << "copy " << index;
        ++tally.copies;
        const int setUpsBefore = tally.setUps;
        life.WarmUp(copy);
        const double born = NowMs();
        const double dies = born + copyLifeMs;
        Floor quarters[3];  // its second, third and last quarter, the last also at rest at its end
        while (NowMs() < dies && !::testing::Test::HasFatalFailure()) {
            life.Step(copy);
            ASSERT_TRUE(copy.Running()) << "copy " << index << " died";
            const double lived = (NowMs() - born) / (dies - born);
            if (lived >= 0.25) {
                quarters[std::min(2, static_cast<int>(lived * 4) - 1)].Add(observe::CountProcessObjects(copy.Pid()));
            }
            while (thirdsTold < 2 && NowMs() >= start + (thirdsTold + 1) * (end - start) / 3) {
                ++thirdsTold;
                std::printf("endurance %d/3 at %.0f s: %s; copy %d (%s): %s\n", thirdsTold, (NowMs() - start) / 1000,
                            Progress(tally).c_str(), index + 1, debugged ? "debugged" : "at log-on",
                            Figures(life.Sample(copy)).c_str());
                std::fflush(stdout);
            }
        }
        // From the middle of its life to its end, nothing held that keeps growing.
        quarters[2].Add(life.Sample(copy));
        for (int q = 1; q >= 0; --q) {
            if (!quarters[q].least) {
                quarters[q] = quarters[q + 1];
            }
        }
        const observe::ProcessObjects& second = *quarters[0].least;
        const observe::ProcessObjects& third = *quarters[1].least;
        const observe::ProcessObjects& last = *quarters[2].least;
        SCOPED_TRACE(::testing::Message() << "copy " << index + 1 << ": second quarter " << Figures(second)
                                          << ", third " << Figures(third) << ", last " << Figures(last));
        EXPECT_FALSE(GrewThroughout(second.privateBytes, third.privateBytes, last.privateBytes, kPrivateSlack));
        EXPECT_FALSE(GrewThroughout(second.handles, third.handles, last.handles, 0));
        EXPECT_EQ(GdiGrown(second, third, last, kWindowGdiSlack), "")
            << "GDI objects grown: " << observe::GdiGrowth(second, third) << "; then "
            << observe::GdiGrowth(third, last);
        EXPECT_FALSE(GrewThroughout(second.userObjects, third.userObjects, last.userObjects, 0));
        tally.privateGrowth = std::max<long long>(tally.privateGrowth, static_cast<long long>(last.privateBytes) -
                                                                           static_cast<long long>(second.privateBytes));
        tally.handleGrowth = std::max(tally.handleGrowth, last.handles - second.handles);
        tally.gdiGrowth = std::max(tally.gdiGrowth, last.gdiObjects - second.gdiObjects);
        tally.userGrowth = std::max(tally.userGrowth, last.userObjects - second.userObjects);

        const std::optional<DWORD> closed = copy.Close();
        EXPECT_EQ(closed, std::optional<DWORD>(0)) << "copy " << index + 1 << " closed cleanly";
        allClosed = allClosed && closed == std::optional<DWORD>(0);
        if (debugged) {
            const std::vector<std::string> lines = copy.Lines();
            ASSERT_GE(lines.size(), 2u);
            EXPECT_EQ(std::vector<std::string>(lines.end() - 2, lines.end()),
                      std::vector<std::string>(std::begin(kCloseLines), std::end(kCloseLines)))
                << "nothing after the last line";
            EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                                    [](const std::string& line) {
                                        return line.rfind("[VaskHotkey]Set up again after ", 0) == 0;
                                    }),
                      tally.setUps - setUpsBefore)
                << "one line for each way back";
        }
    }
    EXPECT_EQ(tally.answered, tally.keys);
    EXPECT_EQ(tally.lettersArrived, tally.letters);
    std::printf(
        "endurance %.0f s: %s; all closed cleanly: %s; most grown from a copy's second quarter to its last: "
        "private "
        "%+lld bytes, handles %+ld, GDI %+ld, USER %+ld\n",
        (NowMs() - start) / 1000, Progress(tally).c_str(), allClosed ? "yes" : "no", tally.privateGrowth,
        tally.handleGrowth, tally.gdiGrowth, tally.userGrowth);
}

}  // namespace
}  // namespace e2e
