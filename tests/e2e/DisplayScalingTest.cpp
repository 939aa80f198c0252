// The OSD at the display scalings a notebook ships with and on the screen the
// user works on: where it shows, at which size, and its pixels, with the two
// display settings on and off. The program reads both at its start, as it
// reads the system's DPI (LogPixels), so each case starts it anew.
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "FocusedWindow.h"
#include "ProgramHarness.h"
#include "RegistryValue.h"
#include "WindowWatch.h"
#include "osd/PictureScaling.h"

namespace e2e {
namespace {

constexpr uint32_t kRelease = 0x81;
constexpr uint32_t kWireless = 0x04;
constexpr uint32_t kBattery = 0x07;
constexpr uint16_t kWirelessOn = 157;
constexpr uint16_t kBatteryAt60 = 170;
constexpr wchar_t kChargingNotice[] = L"Korvelane On-Screen Display-Battery Disabeled";

using observe::ScopedRegistryValue;

// Registry values for one start of the program, put back as they were after.
struct Value {
    HKEY root;
    const wchar_t* name;  // under the program's key; LogPixels under the desktop's
    DWORD type;
    std::vector<BYTE> bytes;
};
using Values = std::vector<std::unique_ptr<ScopedRegistryValue>>;
Values Set(const std::vector<Value>& values) {
    Values set;
    for (const Value& value : values) {
        const bool dpi = std::wstring(value.name) == L"LogPixels";
        set.push_back(std::make_unique<ScopedRegistryValue>(value.root,
                                                            dpi ? L"Control Panel\\Desktop" : L"Software\\VaskHotkey",
                                                            value.name, value.type, value.bytes));
        EXPECT_TRUE(set.back()->Written());
    }
    return set;
}
Value Dword(HKEY root, const wchar_t* name, DWORD number) {
    return {root, name, REG_DWORD, ScopedRegistryValue::Dword(number)};
}

// The master shrunk as the program shrinks it: opaque pixels, so the
// premultiplied ones are the picture's own.
observe::Picture Shrunk(const observe::Picture& master, int width, int height) {
    PixelImage pixels{master.width, master.height, {}};
    for (uint32_t rgb : master.rgb) {
        pixels.pixels.push_back(0xFF000000u | rgb);
    }
    observe::Picture shrunk{width, height, {}};
    for (uint32_t pixel : ShrinkByArea(pixels, width, height).pixels) {
        shrunk.rgb.push_back(pixel & 0xFFFFFFu);
    }
    return shrunk;
}

RECT CentredIn(const RECT& area, int width, int height) {
    const LONG x = area.left + (area.right - area.left - width) / 2;
    const LONG y = area.top + (area.bottom - area.top - height) / 2;
    return {x, y, x + width, y + height};
}

// The program started with the registry as it is now, its OSD found; closed
// again at the end.
struct StartedProgram {
    StartedProgram() {
        CloseAnyRunningProgram();
        EXPECT_TRUE(program.Start() && program.WaitForMainWindow() != nullptr) << program.StartError();
        osd = program.OsdWindow();
    }
    ~StartedProgram() { CloseAnyRunningProgram(); }
    // Presses the key and waits until its line is written and the OSD drawn
    // and shown; the OSD's place then.
    RECT Show(uint32_t scanCode, const std::string& line) {
        const size_t before = program.Lines().size();
        program.Press(kRelease, scanCode);
        EXPECT_TRUE(program.WaitForNewLine(line, before)) << line;
        EXPECT_TRUE(program.Settle());
        EXPECT_TRUE(WaitUntil([&] { return ::IsWindowVisible(osd) != FALSE; }));
        return observe::Inspect(osd).rect;
    }
    ProgramRun program;
    HWND osd = nullptr;
};

// At 125, 150 and 200 % with OsdSharp the OSD takes the scale's size, centred
// as ever, with the pixels of its master (at 125 % the 150 % one shrunk by
// the program's filter); the battery display too. Without the setting it is
// the OSD of every other day at each of those scales. Neither adds a line.
TEST(DisplayScaling, SharpOsdAtEachScaleAndTheUsualOneWithoutTheSetting) {
    FreshNotebook machine;
    machine.Set([](sim::State& s) {
        s.ec[0xBB] = 0x10;
        s.batteryCharge = 60;
    });
    const struct {
        DWORD dpi;
        const wchar_t* master;  // the master pixels come from; shrunk when not this DPI's own
        bool shrunk;
    } rows[] = {{120, L"PNG150", true}, {144, L"PNG150", false}, {192, L"PNG200", false}};
    for (const auto& row : rows) {
        for (bool sharp : {true, false}) {
            SCOPED_TRACE(::testing::Message() << row.dpi << " DPI" << (sharp ? ", sharp" : ", without the setting"));
            const Values values = Set({Dword(HKEY_CURRENT_USER, L"LogPixels", row.dpi)});
            const Values setting = sharp ? Set({Dword(HKEY_CURRENT_USER, L"OsdSharp", 1)}) : Values{};
            StartedProgram started;
            ASSERT_NE(started.osd, nullptr);
            EXPECT_EQ(started.program.Lines(), StartLines());
            const int width = sharp ? (190 * static_cast<int>(row.dpi) + 48) / 96 : 190;
            const int height = sharp ? (114 * static_cast<int>(row.dpi) + 48) / 96 : 114;
            const RECT expected = CentredIn({0, 0, 1280, 800}, width, height);
            // The battery display at one scale: it takes the same path.
            std::vector<uint16_t> ids = {kWirelessOn};
            if (row.dpi == 144) {
                ids.push_back(kBatteryAt60);
            }
            for (const uint16_t id : ids) {
                const bool battery = id == kBatteryAt60;
                const RECT rect = started.Show(battery ? kBattery : kWireless, battery ? "nid=170" : "SWITCH_ON");
                EXPECT_EQ(rect.left, expected.left) << id;
                EXPECT_EQ(rect.top, expected.top) << id;
                EXPECT_EQ(rect.right - rect.left, width) << id;
                EXPECT_EQ(rect.bottom - rect.top, height) << id;
                std::optional<observe::Picture> picture = ProgramPicture(id, sharp ? row.master : L"PNG");
                if (sharp && row.shrunk && picture) {
                    picture = Shrunk(*picture, width, height);
                }
                EXPECT_EQ(DifferingOnScreen(expected, picture), 0) << id;
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
    const Values dpi = Set({Dword(HKEY_CURRENT_USER, L"LogPixels", 144)});
    const struct {
        const char* situation;
        std::vector<Value> values;
        int width;
        std::vector<std::string> lines;
    } rows[] = {
        {"the machine's setting alone", {Dword(HKEY_LOCAL_MACHINE, L"OsdSharp", 1)}, 285, {}},
        {"the user's 0 over the machine's 1",
         {Dword(HKEY_LOCAL_MACHINE, L"OsdSharp", 1), Dword(HKEY_CURRENT_USER, L"OsdSharp", 0)},
         190,
         {}},
        {"a text for OsdSharp, a number for OsdScreen",
         {Dword(HKEY_LOCAL_MACHINE, L"OsdSharp", 1),
          {HKEY_CURRENT_USER, L"OsdSharp", REG_SZ, ScopedRegistryValue::Text(L"yes")},
          Dword(HKEY_LOCAL_MACHINE, L"OsdScreen", 2)},
         190,
         {"[VaskHotkey]Setting OsdSharp in HKEY_CURRENT_USER\\Software\\VaskHotkey is not a REG_DWORD of 0 or 1; "
          "using 0\n",
          "[VaskHotkey]Setting OsdScreen in HKEY_LOCAL_MACHINE\\Software\\VaskHotkey is not a REG_SZ of "
          "\"primary\" or \"active\"; using primary\n"}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.situation);
        const Values values = Set(row.values);
        StartedProgram started;
        ASSERT_NE(started.osd, nullptr);
        std::vector<std::string> expected = row.lines;
        for (const std::string& line : StartLines()) {
            expected.push_back(line);
        }
        EXPECT_EQ(started.program.Lines(), expected);
        const RECT rect = started.Show(kWireless, "SWITCH_ON");
        EXPECT_EQ(rect.right - rect.left, row.width);
    }
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
    const bool firstIsPrimary = (monitors[0].dwFlags & MONITORINFOF_PRIMARY) != 0;
    const MONITORINFO& primary = monitors[firstIsPrimary ? 0 : 1];
    const MONITORINFO& second = monitors[firstIsPrimary ? 1 : 0];

    FreshNotebook machine;
    machine.Set([](sim::State& s) {
        s.ec[0xBB] = 0x10;
        s.chargingDisabled = 1;
    });
    for (const std::wstring screen : {L"active", L"primary", L""}) {
        SCOPED_TRACE(::testing::Message() << "OsdScreen " << (screen.empty() ? L"not set" : screen));
        const Values setting =
            screen.empty() ? Values{}
                           : Set({{HKEY_CURRENT_USER, L"OsdScreen", REG_SZ, ScopedRegistryValue::Text(screen)}});
        const MONITORINFO& expectedOn = screen == L"active" ? second : primary;
        ::SetCursorPos(primary.rcMonitor.left + 20, primary.rcMonitor.top + 20);
        const OtherWindow window(
            {second.rcWork.left + 40, second.rcWork.top + 40, second.rcWork.left + 640, second.rcWork.top + 440});
        StartedProgram started;
        ASSERT_NE(started.osd, nullptr);
        EXPECT_EQ(started.program.Lines(), StartLines());

        ::SetForegroundWindow(window.hwnd());
        const RECT osd = started.Show(kWireless, "SWITCH_ON");
        const RECT expectedOsd = CentredIn(expectedOn.rcMonitor, 190, 114);
        EXPECT_EQ(osd.left, expectedOsd.left);
        EXPECT_EQ(osd.top, expectedOsd.top);
        EXPECT_EQ(DifferingOnScreen(expectedOsd, ProgramPicture(kWirelessOn)), 0);

        ::SetForegroundWindow(window.hwnd());
        started.program.Press(kRelease, kBattery);
        const HWND notice = observe::WaitForWindow(nullptr, kChargingNotice, 3000, started.program.Pid());
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
