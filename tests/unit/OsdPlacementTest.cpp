#include "osd/OsdPlacement.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "osd/OsdSettings.h"

namespace {

// A docked notebook: its 150 % panel is the primary display, a 100 % screen
// stands to the left and higher up, a 200 % one to the right.
constexpr int kPanel = 0, kLeft = 1, kRight = 2;
OsdScene Dock() {
    OsdScene scene;
    scene.monitors = {{{0, 0, 1920, 1080}, {0, 0, 1920, 1040}, 144},
                      {{-1280, -200, 0, 824}, {-1280, -200, 0, 824}, 96},
                      {{1920, 0, 4480, 1440}, {1920, 0, 4480, 1400}, 192}};
    scene.primary = kPanel;
    return scene;
}

ForegroundView WorkingWindowOn(int monitor) {
    ForegroundView window;
    window.exists = window.visible = true;
    window.monitor = monitor;
    return window;
}

struct LayoutRow {
    const char* situation;
    OsdDisplaySettings settings;
    ForegroundView foreground;
    int cursor;
    int monitor;
    int32_t x, y, width, height;
    uint32_t masterPercent;
};

TEST(OsdLayout, MonitorPlaceSizeAndMasterForEachSituation) {
    const OsdDisplaySettings plain{false, OsdScreen::Primary};
    const OsdDisplaySettings sharp{true, OsdScreen::Primary};
    const OsdDisplaySettings active{false, OsdScreen::Active};
    const OsdDisplaySettings both{true, OsdScreen::Active};
    ForegroundView minimised = WorkingWindowOn(kRight), hidden = minimised, cloaked = minimised, ours = minimised,
                   shell = minimised, onNoMonitor = minimised;
    minimised.minimised = true;
    hidden.visible = false;
    cloaked.cloaked = true;
    ours.ours = true;
    shell.shell = true;
    onNoMonitor.monitor = -1;
    const LayoutRow rows[] = {
        {"primary, as always", plain, WorkingWindowOn(kRight), kRight, kPanel, 865, 483, 190, 114, 100},
        {"primary, sharp at 150 %", sharp, WorkingWindowOn(kRight), kRight, kPanel, 817, 454, 285, 171, 150},
        {"the window in front, left and up", both, WorkingWindowOn(kLeft), kRight, kLeft, -735, 255, 190, 114, 100},
        {"the window in front, at 200 %", both, WorkingWindowOn(kRight), kLeft, kRight, 3010, 606, 380, 228, 200},
        {"the window in front, not sharp", active, WorkingWindowOn(kRight), kLeft, kRight, 3105, 663, 190, 114, 100},
        {"minimised: the cursor's", both, minimised, kLeft, kLeft, -735, 255, 190, 114, 100},
        {"hidden: the cursor's", both, hidden, kLeft, kLeft, -735, 255, 190, 114, 100},
        {"cloaked: the cursor's", both, cloaked, kLeft, kLeft, -735, 255, 190, 114, 100},
        {"our own: the cursor's", both, ours, kLeft, kLeft, -735, 255, 190, 114, 100},
        {"the desktop: the cursor's", both, shell, kLeft, kLeft, -735, 255, 190, 114, 100},
        {"on no monitor: the cursor's", both, onNoMonitor, kLeft, kLeft, -735, 255, 190, 114, 100},
        {"nothing in front: the cursor's", both, ForegroundView{}, kRight, kRight, 3010, 606, 380, 228, 200},
        {"no cursor either: the primary", both, ForegroundView{}, -1, kPanel, 817, 454, 285, 171, 150},
    };
    for (const LayoutRow& row : rows) {
        SCOPED_TRACE(row.situation);
        OsdScene scene = Dock();
        scene.foreground = row.foreground;
        scene.cursorMonitor = row.cursor;
        const OsdLayout layout = LayOutOsd(row.settings, scene, 190, 114);
        EXPECT_EQ(layout.monitor, row.monitor);
        EXPECT_EQ(layout.x, row.x);
        EXPECT_EQ(layout.y, row.y);
        EXPECT_EQ(layout.width, row.width);
        EXPECT_EQ(layout.height, row.height);
        EXPECT_EQ(layout.source.masterPercent, row.masterPercent);
    }
}

TEST(OsdLayout, ASceneWithoutAPrimaryOrAnyMonitor) {
    OsdScene scene = Dock();
    scene.primary = -1;
    EXPECT_EQ(ChooseOsdMonitor(OsdScreen::Primary, scene), 0) << "some screen still shows it";
    scene.monitors.clear();
    const OsdLayout layout = LayOutOsd({true, OsdScreen::Active}, scene, 190, 114);
    EXPECT_EQ(layout.monitor, -1);
    EXPECT_EQ(layout.width, 190);
    OsdScene noDpi = Dock();
    noDpi.monitors[kPanel].dpi = 0;
    EXPECT_EQ(LayOutOsd({true, OsdScreen::Primary}, noDpi, 190, 114).width, 190) << "a DPI of 0 counts as 96";
}

struct DpiRow {
    uint32_t dpi;
    int32_t width, height;
    uint32_t masterPercent;
    PictureFilter filter;
};

TEST(OsdLayout, SizeAndMasterAtEachDpi) {
    const DpiRow rows[] = {
        {96, 190, 114, 100, PictureFilter::None},  {120, 238, 143, 150, PictureFilter::Shrink},
        {144, 285, 171, 150, PictureFilter::None}, {168, 333, 200, 200, PictureFilter::Shrink},
        {192, 380, 228, 200, PictureFilter::None}, {240, 475, 285, 300, PictureFilter::Shrink},
        {288, 570, 342, 300, PictureFilter::None}, {336, 665, 399, 300, PictureFilter::Enlarge},
        {72, 143, 86, 100, PictureFilter::Shrink},
    };
    for (const DpiRow& row : rows) {
        SCOPED_TRACE(row.dpi);
        OsdScene scene;
        scene.monitors = {{{-3000, -2000, 0, 0}, {-3000, -2000, 0, -40}, row.dpi}};
        scene.primary = 0;
        const OsdLayout layout = LayOutOsd({true, OsdScreen::Primary}, scene, 190, 114);
        EXPECT_EQ(layout.width, row.width);
        EXPECT_EQ(layout.height, row.height);
        EXPECT_EQ(layout.x, -3000 + (3000 - row.width) / 2);
        EXPECT_EQ(layout.y, -2000 + (2000 - row.height) / 2);
        EXPECT_EQ(layout.source.masterPercent, row.masterPercent);
        EXPECT_EQ(layout.source.filter, row.filter);
    }
    const PictureSource withoutLargest = PictureSourceForDpi(240, {100, 150, 200});
    EXPECT_EQ(withoutLargest.masterPercent, 200u) << "without 300 % the 200 % master is enlarged";
    EXPECT_EQ(withoutLargest.filter, PictureFilter::Enlarge);
}

// ------------------------------------------------------------ the settings

SettingValue Dword(uint32_t number, const wchar_t* key = L"HKCU") {
    SettingValue value{key, kRegistryDword, std::vector<uint8_t>(4)};
    std::memcpy(value.bytes.data(), &number, 4);
    return value;
}

SettingValue Text(const std::u16string& text, bool terminated = true) {
    SettingValue value{L"HKLM", kRegistryText, {}};
    const size_t units = text.size() + (terminated ? 1 : 0);
    value.bytes.resize(units * 2);
    std::memcpy(value.bytes.data(), text.c_str(), value.bytes.size());
    return value;
}

struct SettingsRow {
    const char* situation;
    std::optional<SettingValue> sharp, screen;
    OsdDisplaySettings expected;
    size_t lines;
};

TEST(OsdSettings, ValuesOfEveryTypeAndContent) {
    SettingValue oddText = Text(u"active");
    oddText.bytes.pop_back();
    SettingValue longDword = Dword(1);
    longDword.bytes.resize(8);
    const SettingsRow rows[] = {
        {"none: as always, silently", std::nullopt, std::nullopt, {false, OsdScreen::Primary}, 0},
        {"both set", Dword(1), Text(u"active"), {true, OsdScreen::Active}, 0},
        {"both set to their defaults", Dword(0), Text(u"primary"), {false, OsdScreen::Primary}, 0},
        {"as typed in capitals, unterminated", std::nullopt, Text(u"ACTIVE", false), {false, OsdScreen::Active}, 0},
        {"a DWORD of 2", Dword(2), std::nullopt, {false, OsdScreen::Primary}, 1},
        {"a text where a DWORD belongs", Text(u"1"), std::nullopt, {false, OsdScreen::Primary}, 1},
        {"a DWORD of eight bytes", longDword, std::nullopt, {false, OsdScreen::Primary}, 1},
        {"an unknown screen", Dword(1), Text(u"left"), {true, OsdScreen::Primary}, 1},
        {"an empty screen", std::nullopt, Text(u""), {false, OsdScreen::Primary}, 1},
        {"a screen with text after a NUL", std::nullopt, Text(std::u16string(u"active\0x", 8)), {}, 1},
        {"a screen of an odd byte count", std::nullopt, oddText, {false, OsdScreen::Primary}, 1},
        {"a DWORD where a text belongs", std::nullopt, Dword(1), {false, OsdScreen::Primary}, 1},
        {"both bad", Dword(7), Dword(7), {false, OsdScreen::Primary}, 2},
    };
    for (const SettingsRow& row : rows) {
        SCOPED_TRACE(row.situation);
        const SettingsRead read = ParseOsdSettings(row.sharp, row.screen);
        EXPECT_EQ(read.settings.sharp, row.expected.sharp);
        EXPECT_EQ(read.settings.screen, row.expected.screen);
        EXPECT_EQ(read.lines.size(), row.lines);
    }
    EXPECT_EQ(ParseOsdSettings(Dword(2, L"HKEY_CURRENT_USER\\Software\\VaskHotkey"), std::nullopt).lines,
              std::vector<std::wstring>{L"[VaskHotkey]Setting OsdSharp in HKEY_CURRENT_USER\\Software\\VaskHotkey "
                                        L"is not a REG_DWORD of 0 or 1; using 0\n"});
}

}  // namespace
