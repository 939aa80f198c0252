#include "hotkeys/DecisionTable.h"

namespace {

using KeyFlag::kExtended;
using KeyFlag::kExtendedRelease;
using KeyFlag::kReleased;

constexpr std::array<HotkeyRow, kHotkeyRowCount> kRows = {{
    {ScanCode::kBattery, FlagTest::AllBitsSet, kExtendedRelease, HotkeyAction::ShowBatteryLevel},
    {ScanCode::kMute, FlagTest::Equals, kExtendedRelease, HotkeyAction::ShowMuteState},
    {ScanCode::kBrightnessDown, FlagTest::Equals, kExtendedRelease, HotkeyAction::BrightnessDown},
    {ScanCode::kBrightnessUp, FlagTest::Equals, kExtendedRelease, HotkeyAction::BrightnessUp},
    {ScanCode::kDisplayOutput, FlagTest::Equals, kExtended, HotkeyAction::CycleDisplayOutput},
    {ScanCode::kWireless, FlagTest::AllBitsSet, kExtendedRelease, HotkeyAction::ShowWirelessState},
    {ScanCode::kCompanion, FlagTest::Equals, kExtendedRelease, HotkeyAction::ToggleCompanion},
    {ScanCode::kGraphicsSwitch, FlagTest::Equals, kExtendedRelease, HotkeyAction::ConfirmGraphicsSwitch},
    {ScanCode::kEscape, FlagTest::Equals, kReleased, HotkeyAction::HideOsd},
    {ScanCode::kF18Trigger, FlagTest::Equals, kExtendedRelease, HotkeyAction::SynthesizeF18},
    {ScanCode::kVolumeUp, FlagTest::Equals, kExtendedRelease, HotkeyAction::VolumeUp},
    {ScanCode::kVolumeDown, FlagTest::Equals, kExtendedRelease, HotkeyAction::VolumeDown},
}};

bool FlagsPass(FlagTest test, uint32_t value, uint32_t flags) {
    switch (test) {
    case FlagTest::Equals:
        return flags == value;
    case FlagTest::AllBitsSet:
        return (flags & value) == value;
    }
    return false;
}

}  // namespace

const std::array<HotkeyRow, kHotkeyRowCount>& HotkeyRows() { return kRows; }

bool RowMatches(const HotkeyRow& row, uint32_t flags, uint32_t scanCode) {
    return row.scanCode == scanCode && FlagsPass(row.test, row.flags, flags);
}

HotkeyAction LookUpHotkey(uint32_t flags, uint32_t scanCode) {
    for (const HotkeyRow& row : kRows) {
        if (RowMatches(row, flags, scanCode)) {
            return row.action;
        }
    }
    return HotkeyAction::None;
}
