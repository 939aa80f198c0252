#pragma once

#include <cstdint>

// Bit of the embedded controller's status byte that mirrors the radio switch.
constexpr uint8_t kWirelessSwitchBit = 0x10;

constexpr uint16_t kWirelessOnPictureId = 157;
constexpr uint16_t kWirelessOffPictureId = 158;

constexpr bool WirelessSwitchOn(uint8_t ecByte) { return (ecByte & kWirelessSwitchBit) != 0; }

constexpr uint16_t WirelessPictureId(bool on) { return on ? kWirelessOnPictureId : kWirelessOffPictureId; }
