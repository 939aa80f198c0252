#include "hotkeys/DecisionTable.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <set>
#include <vector>

namespace {

// Flag words the hook sees for the Fn keys.
constexpr uint32_t kExtRelease = 0x81;
constexpr uint32_t kPlainRelease = 0x80;
constexpr uint32_t kExtPress = 0x01;
constexpr uint32_t kPlainPress = 0x00;
constexpr uint32_t kAltExtRelease = 0xA1;
constexpr uint32_t kInjectedExtRelease = 0x91;
constexpr uint32_t kInjectedExtPress = 0x11;
constexpr uint32_t kLowIlExtRelease = 0x83;
constexpr uint32_t kInjectedPlainPress = 0x10;

const std::vector<uint32_t> kFlagVariants = {
    kExtRelease,         kPlainRelease,     kExtPress,        kPlainPress,         kAltExtRelease,
    kInjectedExtRelease, kInjectedExtPress, kLowIlExtRelease, kInjectedPlainPress,
};

const char* Name(HotkeyAction action) {
    switch (action) {
    case HotkeyAction::None:
        return "None";
    case HotkeyAction::ShowBatteryLevel:
        return "ShowBatteryLevel";
    case HotkeyAction::ShowMuteState:
        return "ShowMuteState";
    case HotkeyAction::BrightnessDown:
        return "BrightnessDown";
    case HotkeyAction::BrightnessUp:
        return "BrightnessUp";
    case HotkeyAction::CycleDisplayOutput:
        return "CycleDisplayOutput";
    case HotkeyAction::ShowWirelessState:
        return "ShowWirelessState";
    case HotkeyAction::ToggleCompanion:
        return "ToggleCompanion";
    case HotkeyAction::ConfirmGraphicsSwitch:
        return "ConfirmGraphicsSwitch";
    case HotkeyAction::HideOsd:
        return "HideOsd";
    case HotkeyAction::SynthesizeF18:
        return "SynthesizeF18";
    case HotkeyAction::VolumeUp:
        return "VolumeUp";
    case HotkeyAction::VolumeDown:
        return "VolumeDown";
    }
    return "?";
}

struct KeyCase {
    uint32_t scanCode;
    HotkeyAction action;
    std::set<uint32_t> firingFlags;  // of kFlagVariants, the ones that trigger the action
};

// Most Fn keys fire on the exact extended release; battery and wireless fire on any
// extended release whatever else is set; the display key fires on its press; Esc on
// its plain release.
const std::set<uint32_t> kExactExtRelease = {kExtRelease};
const std::set<uint32_t> kAnyExtRelease = {kExtRelease, kAltExtRelease, kInjectedExtRelease, kLowIlExtRelease};

const std::vector<KeyCase> kKeyCases = {
    {0x07, HotkeyAction::ShowBatteryLevel, kAnyExtRelease},
    {0x20, HotkeyAction::ShowMuteState, kExactExtRelease},
    {0x05, HotkeyAction::BrightnessDown, kExactExtRelease},
    {0x06, HotkeyAction::BrightnessUp, kExactExtRelease},
    {0x0B, HotkeyAction::CycleDisplayOutput, {kExtPress}},
    {0x04, HotkeyAction::ShowWirelessState, kAnyExtRelease},
    {0x09, HotkeyAction::ToggleCompanion, kExactExtRelease},
    {0x26, HotkeyAction::ConfirmGraphicsSwitch, kExactExtRelease},
    {0x01, HotkeyAction::HideOsd, {kPlainRelease}},
    {0x27, HotkeyAction::SynthesizeF18, kExactExtRelease},
    {0x28, HotkeyAction::VolumeUp, kExactExtRelease},
    {0x2D, HotkeyAction::VolumeDown, kExactExtRelease},
};

TEST(HotkeyLookUp, EachKeyFiresOnlyOnItsFlagVariants) {
    for (const KeyCase& key : kKeyCases) {
        for (uint32_t flags : kFlagVariants) {
            const HotkeyAction expected = key.firingFlags.count(flags) != 0 ? key.action : HotkeyAction::None;
            EXPECT_STREQ(Name(LookUpHotkey(flags, key.scanCode)), Name(expected))
                << "scan 0x" << std::hex << key.scanCode << " flags 0x" << flags;
        }
    }
}

TEST(HotkeyLookUp, DisplayKeyActsOnPressNotRelease) {
    EXPECT_EQ(LookUpHotkey(0x01, 0x0B), HotkeyAction::CycleDisplayOutput);
    EXPECT_EQ(LookUpHotkey(0x81, 0x0B), HotkeyAction::None);
}

TEST(HotkeyLookUp, EscapeActsOnPlainReleaseOnly) {
    EXPECT_EQ(LookUpHotkey(0x80, 0x01), HotkeyAction::HideOsd);
    EXPECT_EQ(LookUpHotkey(0x81, 0x01), HotkeyAction::None);
    EXPECT_EQ(LookUpHotkey(0x00, 0x01), HotkeyAction::None);
}

TEST(HotkeyLookUp, BatteryAndWirelessIgnoreExtraFlagBitsButNeedExtended) {
    for (uint32_t scan : {0x07u, 0x04u}) {
        const HotkeyAction action = scan == 0x07u ? HotkeyAction::ShowBatteryLevel : HotkeyAction::ShowWirelessState;
        EXPECT_EQ(LookUpHotkey(0xA1, scan), action);
        EXPECT_EQ(LookUpHotkey(0x91, scan), action);
        EXPECT_EQ(LookUpHotkey(0xFF, scan), action);
        EXPECT_EQ(LookUpHotkey(0x80, scan), HotkeyAction::None);
        EXPECT_EQ(LookUpHotkey(0x01, scan), HotkeyAction::None);
    }
}

TEST(HotkeyLookUp, ExactRowsRejectAltHeldRelease) {
    EXPECT_EQ(LookUpHotkey(0xA1, 0x28), HotkeyAction::None);
    EXPECT_EQ(LookUpHotkey(0xA1, 0x20), HotkeyAction::None);
}

TEST(HotkeyLookUp, ExactRowsRejectFlagBitsBeyondTheLowByte) {
    EXPECT_EQ(LookUpHotkey(0x100 | 0x81, 0x28), HotkeyAction::None);
    EXPECT_EQ(LookUpHotkey(0x100 | 0x01, 0x0B), HotkeyAction::None);
    EXPECT_EQ(LookUpHotkey(0x100 | 0x80, 0x01), HotkeyAction::None);
}

TEST(HotkeyLookUp, ScanCodesOutsideTableGiveNone) {
    const std::vector<uint32_t> strangers = {0x00,         0x1E,         0x2C,         0xFF,
                                             0x100 + 0x28, 0x100 + 0x07, 0x100 + 0x0B, 0xFFFFFFFF};
    const std::vector<uint32_t> allFlags = {0x00, 0x01, 0x80, 0x81, 0xA1, 0x91, 0x11, 0x83, 0x10, 0xFF, 0xFFFFFFFF};
    for (uint32_t scan : strangers) {
        for (uint32_t flags : allFlags) {
            EXPECT_EQ(LookUpHotkey(flags, scan), HotkeyAction::None)
                << "scan 0x" << std::hex << scan << " flags 0x" << flags;
        }
    }
}

TEST(HotkeyLookUp, InjectedF18KeyDownMatchesNothing) {
    // The F18 this program synthesizes comes back through the hook as an injected press.
    for (uint32_t scan : {0x69u, 0x27u, 0x00u}) {
        EXPECT_EQ(LookUpHotkey(0x10, scan), HotkeyAction::None) << scan;
    }
}

TEST(HotkeyRows, ListEveryKeyOnceWithAFlagWordThatFiresIt) {
    const auto& rows = HotkeyRows();
    ASSERT_EQ(rows.size(), kKeyCases.size());
    std::set<uint32_t> seen;
    for (const HotkeyRow& row : rows) {
        EXPECT_TRUE(seen.insert(row.scanCode).second) << "scan 0x" << std::hex << row.scanCode;
        EXPECT_NE(row.action, HotkeyAction::None);
        EXPECT_EQ(LookUpHotkey(row.flags, row.scanCode), row.action);
        EXPECT_TRUE(RowMatches(row, row.flags, row.scanCode));
        EXPECT_FALSE(RowMatches(row, row.flags, row.scanCode + 0x100));
    }
    for (const KeyCase& key : kKeyCases) {
        EXPECT_EQ(seen.count(key.scanCode), 1u) << "scan 0x" << std::hex << key.scanCode;
    }
}

TEST(HotkeyRows, KeepTheLookUpOrder) {
    const auto& rows = HotkeyRows();
    ASSERT_EQ(rows.size(), kKeyCases.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(rows[i].scanCode, kKeyCases[i].scanCode) << i;
        EXPECT_EQ(rows[i].action, kKeyCases[i].action) << i;
    }
}

}  // namespace
