#pragma once
// The two display settings as the registry holds them, turned into what the
// program uses. Read once at start; a value of another type or content gets
// one line naming it and the default, and changes nothing else.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "osd/OsdPlacement.h"

// The registry's value types that the settings are written as.
constexpr uint32_t kRegistryText = 1;   // REG_SZ
constexpr uint32_t kRegistryDword = 4;  // REG_DWORD

// The values' names under the program's key.
inline constexpr wchar_t kOsdSharpValue[] = L"OsdSharp";
inline constexpr wchar_t kOsdScreenValue[] = L"OsdScreen";

// One value as the registry answered it, and the key it came from (named in
// the line about a bad value).
struct SettingValue {
    std::wstring key;
    uint32_t type = 0;
    std::vector<uint8_t> bytes;
};

struct SettingsRead {
    OsdDisplaySettings settings;
    std::vector<std::wstring> lines;  // one per value that was not understood
};

// The settings from the values found (the per-user one where both keys have
// it; nullopt where neither has).
SettingsRead ParseOsdSettings(const std::optional<SettingValue>& sharp, const std::optional<SettingValue>& screen);
