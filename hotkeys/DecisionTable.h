#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

// What the keyboard hook does with one low-level key event.
enum class HotkeyAction {
    None,
    ShowBatteryLevel,
    ShowMuteState,
    BrightnessDown,
    BrightnessUp,
    CycleDisplayOutput,
    ShowWirelessState,
    ToggleCompanion,
    ConfirmGraphicsSwitch,
    HideOsd,
    SynthesizeF18,
    VolumeUp,
    VolumeDown,
};

// Bits of the low-level hook's flags word.
namespace KeyFlag {
constexpr uint32_t kExtended = 0x01;
constexpr uint32_t kLowerIntegrityInjected = 0x02;
constexpr uint32_t kInjected = 0x10;
constexpr uint32_t kAltDown = 0x20;
constexpr uint32_t kReleased = 0x80;
constexpr uint32_t kExtendedRelease = kExtended | kReleased;
}  // namespace KeyFlag

// Hardware scan codes the notebook's Fn combinations send.
namespace ScanCode {
constexpr uint32_t kEscape = 0x01;
constexpr uint32_t kWireless = 0x04;
constexpr uint32_t kBrightnessDown = 0x05;
constexpr uint32_t kBrightnessUp = 0x06;
constexpr uint32_t kBattery = 0x07;
constexpr uint32_t kCompanion = 0x09;
constexpr uint32_t kDisplayOutput = 0x0B;
constexpr uint32_t kMute = 0x20;
constexpr uint32_t kGraphicsSwitch = 0x26;
constexpr uint32_t kF18Trigger = 0x27;
constexpr uint32_t kVolumeUp = 0x28;
constexpr uint32_t kVolumeDown = 0x2D;
}  // namespace ScanCode

// How a row tests the flags word against its value.
enum class FlagTest {
    Equals,      // flags == value
    AllBitsSet,  // (flags & value) == value, other bits ignored
};

struct HotkeyRow {
    uint32_t scanCode;
    FlagTest test;
    uint32_t flags;
    HotkeyAction action;
};

constexpr std::size_t kHotkeyRowCount = 12;

// The rows in look-up order; each scan code appears in one row only.
const std::array<HotkeyRow, kHotkeyRowCount>& HotkeyRows();

bool RowMatches(const HotkeyRow& row, uint32_t flags, uint32_t scanCode);

HotkeyAction LookUpHotkey(uint32_t flags, uint32_t scanCode);
