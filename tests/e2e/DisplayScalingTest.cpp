// The OSD at the display scalings a notebook ships with and on the screen the
// user works on: where it shows, at which size, and its pixels, with the two
// display settings on and off. The program reads both at its start, as it
// reads the system's DPI (LogPixels), so each case starts it anew.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "FocusedWindow.h"
#include "ProgramHarness.h"
#include "RegistryValue.h"
#include "Screen.h"
#include "WindowWatch.h"
#include "osd/PictureScaling.h"

namespace e2e {
namespace {

constexpr uint32_t kRelease = 0x81;
constexpr uint32_t kWireless = 0x04;
constexpr uint32_t kBattery = 0x07;
constexpr uint16_t kWirelessOn = 157;
constexpr uint16_t kBatteryAt60 = 170;
constexpr wchar_t kSettingsKey[] = L"Software\\VaskHotkey";
constexpr wchar_t kChargingNotice[] = L"Korvelane On-Screen Display-Battery Disabeled";

using observe::ScopedRegistryValue;

// The program's picture `id`: its master at `percent` (PNG150 ...), or at
// 100 % the picture the OSD has always shown.
std::optional<observe::Picture> ProgramPicture(uint16_t id, uint32_t percent) {
    wchar_t dir[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, dir);
    const std::wstring file = std::wstring(dir) + L"vask-master-" + std::to_wstring(::GetCurrentProcessId()) + L".png";
    const std::wstring type = percent == 100 ? L"PNG" : L"PNG" + std::to_wstring(percent);
    if (!observe::ExtractResourcePicture(ProgramPath(), MAKEINTRESOURCEW(id), file, type.c_str())) {
        return std::nullopt;
    }
    std::optional<observe::Picture> picture = observe::LoadPicture(file);
    ::DeleteFileW(file.c_str());
    return picture;
}

// The master shrunk as the program shrinks it: opaque pixels, so the
// premultiplied ones are the picture's own.
observe::Picture Shrunk(const observe::Picture& master, int width, int height) {
    PixelImage pixels{master.width, master.height, {}};
    for (uint32_t rgb : master.rgb) {
        pixels.pixels.push_back(0xFF000000u | rgb);
    }
    const PixelImage small = ShrinkByArea(pixels, width, height);
    observe::Picture shrunk{width, height, {}};
    for (uint32_t pixel : small.pixels) {
        shrunk.rgb.push_back(pixel & 0xFFFFFFu);
    }
    return shrunk;
}

// Pixels of the screen's `area` that differ from `expected`; negative when
// either cannot be had.
long DifferingOnScreen(const RECT& area, const std::optional<observe::Picture>& expected) {
    wchar_t dir[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, dir);
    const std::wstring file = std::wstring(dir) + L"vask-scaled-" + std::to_wstring(::GetCurrentProcessId()) + L".png";
    if (!expected || !observe::Screenshot(file)) {
        return -2;
    }
    const std::optional<observe::Picture> shot = observe::LoadPicture(file);
    ::DeleteFileW(file.c_str());
    return shot ? observe::CountDifferingPixels(*shot, area, *expected) : -3;
}

bool WaitUntil(const std::function<bool()>& done, DWORD timeoutMs = 3000) {
    for (const DWORD start = ::GetTickCount(); !done(); ::Sleep(5)) {
        if (::GetTickCount() - start > timeoutMs) {
            return false;
        }
    }
    return true;
}

// The program started at the prefix's DPI with the settings given, its OSD
// found; closed again at the end.
class StartedProgram {
public:
    explicit StartedProgram(FreshNotebook& machine) : m_machine(machine) {
        CloseAnyRunningProgram();
        if (!m_program.Start() || m_program.WaitForMainWindow() == nullptr) {
            ADD_FAILURE() << "the program did not start: " << m_program.StartError();
            return;
        }
        m_osd = m_program.OsdWindow();
        EXPECT_NE(m_osd, nullptr);
    }
    ~StartedProgram() { CloseAnyRunningProgram(); }

    bool Ready() const { return m_osd != nullptr; }
    const ProgramRun& Program() const { return m_program; }
    HWND Osd() const { return m_osd; }
    // Presses the key and waits until its line is written and its display drawn.
    void Show(uint32_t scanCode, const std::string& line) {
        const size_t before = m_program.Lines().size();
        m_program.Press(kRelease, scanCode);
        EXPECT_TRUE(m_program.WaitForNewLine(line, before)) << line;
        EXPECT_TRUE(m_program.Settle());
    }
    RECT OsdRect() const { return observe::Inspect(m_osd).rect; }

private:
    FreshNotebook& m_machine;
    ProgramRun m_program;
    HWND m_osd = nullptr;
};

struct ScaleRow {
    DWORD dpi;
    uint32_t masterPercent;  // the master pixels come from; shrunk when not this DPI's own
    bool shrunk;
};

// At 125, 150 and 200 % with OsdSharp the OSD takes the scale's size, centred
// as ever, with the pixels of its master (at 125 % the 150 % one shrunk by
// the program's filter); the battery display too. Without the setting it is
// the OSD of every other day at each of those scales.
TEST(DisplayScaling, SharpOsdAtEachScaleAndTheUsualOneWithoutTheSetting) {
    FreshNotebook machine;
    machine.Set([](sim::State& s) {
        s.ec[0xBB] = 0x10;
        s.batteryCharge = 60;
    });
    const ScaleRow rows[] = {{120, 150, true}, {144, 150, false}, {192, 200, false}};
    for (const ScaleRow& row : rows) {
        const ScopedRegistryValue logPixels(HKEY_CURRENT_USER, L"Control Panel\\Desktop", L"LogPixels", REG_DWORD,
                                            ScopedRegistryValue::Dword(row.dpi));
        ASSERT_TRUE(logPixels.Written());
        for (bool sharp : {true, false}) {
            SCOPED_TRACE(::testing::Message() << row.dpi << " DPI" << (sharp ? ", sharp" : ", without the setting"));
            std::optional<ScopedRegistryValue> setting;
            if (sharp) {
                setting.emplace(HKEY_CURRENT_USER, kSettingsKey, L"OsdSharp", REG_DWORD, ScopedRegistryValue::Dword(1));
            }
            StartedProgram started(machine);
            ASSERT_TRUE(started.Ready());
            EXPECT_EQ(started.Program().Lines(), StartLines()) << "the settings add no line";

            const int width = sharp ? (190 * static_cast<int>(row.dpi) + 48) / 96 : 190;
            const int height = sharp ? (114 * static_cast<int>(row.dpi) + 48) / 96 : 114;
            const RECT expected{(1280 - width) / 2, (800 - height) / 2, (1280 - width) / 2 + width,
                                (800 - height) / 2 + height};
            for (const auto& [scan, line, id] : {std::tuple{kWireless, std::string("SWITCH_ON"), kWirelessOn},
                                                 std::tuple{kBattery, std::string("nid=170"), kBatteryAt60}}) {
                // The battery display at one scale is enough: it shares the path.
                if (scan == kBattery && row.dpi != 144) {
                    continue;
                }
                SCOPED_TRACE(line);
                started.Show(scan, line);
                ASSERT_TRUE(WaitUntil([&] { return ::IsWindowVisible(started.Osd()) != FALSE; }));
                const RECT rect = started.OsdRect();
                EXPECT_EQ(rect.left, expected.left);
                EXPECT_EQ(rect.top, expected.top);
                EXPECT_EQ(rect.right - rect.left, width);
                EXPECT_EQ(rect.bottom - rect.top, height);
                std::optional<observe::Picture> picture = ProgramPicture(id, sharp ? row.masterPercent : 100);
                if (sharp && row.shrunk && picture) {
                    picture = Shrunk(*picture, width, height);
                }
                EXPECT_EQ(DifferingOnScreen(expected, picture), 0);
            }
        }
    }
}

// The settings come from the user's key over the machine's, value by value;
// a value the program cannot read as a setting gets one line naming it and
// the default, and the program runs as without it.
TEST(DisplayScaling, SettingsPerUserOverPerMachineAndOneLineForABadValue) {
    FreshNotebook machine;
    machine.Set([](sim::State& s) { s.ec[0xBB] = 0x10; });
    const ScopedRegistryValue logPixels(HKEY_CURRENT_USER, L"Control Panel\\Desktop", L"LogPixels", REG_DWORD,
                                        ScopedRegistryValue::Dword(144));
    struct Row {
        const char* situation;
        std::optional<DWORD> machineSharp, userSharp;
        std::optional<std::wstring> userSharpText;
        std::optional<DWORD> machineScreen;
        int width;
        std::vector<std::string> lines;
    };
    const Row rows[] = {
        {"the machine's setting alone", 1, std::nullopt, std::nullopt, std::nullopt, 285, {}},
        {"the user's 0 over the machine's 1", 1, 0, std::nullopt, std::nullopt, 190, {}},
        {"a text for OsdSharp, a number for OsdScreen",
         1,
         std::nullopt,
         L"yes",
         2,
         190,
         {"[VaskHotkey]Setting OsdSharp in HKEY_CURRENT_USER\\Software\\VaskHotkey is not a REG_DWORD of 0 or 1; "
          "using 0\n",
          "[VaskHotkey]Setting OsdScreen in HKEY_LOCAL_MACHINE\\Software\\VaskHotkey is not a REG_SZ of "
          "\"primary\" or \"active\"; using primary\n"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.situation);
        std::vector<std::unique_ptr<ScopedRegistryValue>> values;
        if (row.machineSharp) {
            values.push_back(std::make_unique<ScopedRegistryValue>(HKEY_LOCAL_MACHINE, kSettingsKey, L"OsdSharp",
                                                                   REG_DWORD,
                                                                   ScopedRegistryValue::Dword(*row.machineSharp)));
        }
        if (row.userSharp) {
            values.push_back(std::make_unique<ScopedRegistryValue>(
                HKEY_CURRENT_USER, kSettingsKey, L"OsdSharp", REG_DWORD, ScopedRegistryValue::Dword(*row.userSharp)));
        }
        if (row.userSharpText) {
            values.push_back(std::make_unique<ScopedRegistryValue>(HKEY_CURRENT_USER, kSettingsKey, L"OsdSharp", REG_SZ,
                                                                   ScopedRegistryValue::Text(*row.userSharpText)));
        }
        if (row.machineScreen) {
            values.push_back(std::make_unique<ScopedRegistryValue>(HKEY_LOCAL_MACHINE, kSettingsKey, L"OsdScreen",
                                                                   REG_DWORD,
                                                                   ScopedRegistryValue::Dword(*row.machineScreen)));
        }
        StartedProgram started(machine);
        ASSERT_TRUE(started.Ready());
        std::vector<std::string> expected = row.lines;
        const std::vector<std::string> start = StartLines();
        expected.insert(expected.end(), start.begin(), start.end());
        EXPECT_EQ(started.Program().Lines(), expected);
        started.Show(kWireless, "SWITCH_ON");
        const RECT rect = started.OsdRect();
        EXPECT_EQ(rect.right - rect.left, row.width);
    }
}

// At every display scaling the user may choose, the OSD sits at the centre of
// the desktop the program is shown, after a display change and after a key.
// (The debugger answers the display mode as Windows does for a program
// without DPI awareness: the desktop's size times the scale.)
class DisplayModes : public RunningProgramTest {};

TEST_F(DisplayModes, OsdIsCentredAtEveryDisplayScaling) {
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

RECT CentredIn(const RECT& area, int width, int height) {
    const LONG x = area.left + (area.right - area.left - width) / 2;
    const LONG y = area.top + (area.bottom - area.top - height) / 2;
    return {x, y, x + width, y + height};
}

BOOL CALLBACK AddMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM monitors) {
    MONITORINFO info{};
    info.cbSize = sizeof(info);
    ::GetMonitorInfoW(monitor, &info);
    reinterpret_cast<std::vector<MONITORINFO>*>(monitors)->push_back(info);
    return TRUE;
}

// On a docked notebook: a window of another program in front on the second
// screen, the cursor on the first. With OsdScreen=active the OSD and the
// charging notice open centred on the second screen; with "primary", or
// without the setting, on the first, as always.
TEST(TwoScreens, OsdAndNoticeOpenOnTheScreenInUse) {
    std::vector<MONITORINFO> monitors;
    ::EnumDisplayMonitors(nullptr, nullptr, &AddMonitor, reinterpret_cast<LPARAM>(&monitors));
    ASSERT_EQ(monitors.size(), 2u) << "this case runs on the desktop with two screens (scripts/run-tests)";
    const MONITORINFO primary = (monitors[0].dwFlags & MONITORINFOF_PRIMARY) != 0 ? monitors[0] : monitors[1];
    const MONITORINFO second = (monitors[0].dwFlags & MONITORINFOF_PRIMARY) != 0 ? monitors[1] : monitors[0];

    FreshNotebook machine;
    machine.Set([](sim::State& s) {
        s.ec[0xBB] = 0x10;
        s.chargingDisabled = 1;
    });
    for (const wchar_t* screen : {L"active", L"primary", static_cast<const wchar_t*>(nullptr)}) {
        SCOPED_TRACE(::testing::Message() << "OsdScreen " << (screen != nullptr ? screen : L"not set"));
        std::optional<ScopedRegistryValue> setting;
        if (screen != nullptr) {
            setting.emplace(HKEY_CURRENT_USER, kSettingsKey, L"OsdScreen", REG_SZ, ScopedRegistryValue::Text(screen));
        }
        const bool followsTheUser = screen != nullptr && screen == std::wstring(L"active");
        const MONITORINFO& expectedOn = followsTheUser ? second : primary;
        ::SetCursorPos(primary.rcMonitor.left + 20, primary.rcMonitor.top + 20);
        const RECT work{second.rcWork.left + 40, second.rcWork.top + 40, second.rcWork.left + 640,
                        second.rcWork.top + 440};
        const OtherWindow window(work);
        ::SetForegroundWindow(window.hwnd());
        observe::PumpMessages(100);
        StartedProgram started(machine);
        ASSERT_TRUE(started.Ready());
        ::SetForegroundWindow(window.hwnd());
        EXPECT_EQ(started.Program().Lines(), StartLines());

        started.Show(kWireless, "SWITCH_ON");
        const RECT osd = started.OsdRect();
        const RECT expectedOsd = CentredIn(expectedOn.rcMonitor, 190, 114);
        EXPECT_EQ(osd.left, expectedOsd.left);
        EXPECT_EQ(osd.top, expectedOsd.top);
        EXPECT_EQ(DifferingOnScreen(expectedOsd, ProgramPicture(kWirelessOn, 100)), 0);

        ::SetForegroundWindow(window.hwnd());
        started.Show(kBattery, "power scale is 80");
        const HWND notice = observe::WaitForWindow(nullptr, kChargingNotice, 3000, started.Program().Pid());
        ASSERT_NE(notice, nullptr);
        ASSERT_TRUE(WaitUntil([&] { return ::IsWindowVisible(notice) != FALSE; }));
        const RECT rect = observe::Inspect(notice).rect;
        const RECT expectedNotice = CentredIn(expectedOn.rcWork, rect.right - rect.left, rect.bottom - rect.top);
        EXPECT_NEAR(rect.left, expectedNotice.left, 1);
        EXPECT_NEAR(rect.top, expectedNotice.top, 1);
    }
}

}  // namespace
}  // namespace e2e
