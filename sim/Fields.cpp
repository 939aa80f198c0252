#include "sim/Fields.h"

#include <cstdio>
#include <limits>

namespace sim {

std::optional<int64_t> ParseInteger(std::string_view text) {
    bool negative = false;
    if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
        negative = text[0] == '-';
        text.remove_prefix(1);
    }
    // strtoll would take leading blanks and a lone "0x"; a field value should not.
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text.remove_prefix(2);
    }
    if (text.empty()) {
        return std::nullopt;
    }
    uint64_t v = 0;
    // One above the largest magnitude so that INT64_MIN still parses.
    const uint64_t limit = uint64_t{1} << 63;
    for (char c : text) {
        int digit;
        if (c >= '0' && c <= '9') {
            digit = c - '0';
        } else if (base == 16 && c >= 'a' && c <= 'f') {
            digit = c - 'a' + 10;
        } else if (base == 16 && c >= 'A' && c <= 'F') {
            digit = c - 'A' + 10;
        } else {
            return std::nullopt;
        }
        if (v > (limit - digit) / base) {
            return std::nullopt;
        }
        v = v * base + digit;
    }
    if (negative) {
        return v == limit ? std::numeric_limits<int64_t>::min() : -static_cast<int64_t>(v);
    }
    if (v == limit) {
        return std::nullopt;
    }
    return static_cast<int64_t>(v);
}

namespace {

constexpr int64_t kU32Max = 0xFFFFFFFFLL;

// Captureless lambdas become the table's function pointers.
#define FIELD_GET(expr)                          \
    [](const State& s, int64_t arg) -> int64_t { \
        (void)arg;                               \
        return (expr);                           \
    }
#define FIELD_SET(stmt)                    \
    [](State& s, int64_t arg, int64_t v) { \
        (void)arg;                         \
        stmt;                              \
    }

const std::vector<Field> kFields = {
    {"volume", nullptr, 0, 0, 0, 100, false, "master volume, 0..100", FIELD_GET(s.volume),
     FIELD_SET(s.volume = int32_t(v))},
    {"mute", nullptr, 0, 0, 0, 1, false, "1 when muted", FIELD_GET(s.muted), FIELD_SET(s.muted = int32_t(v))},
    {"brightness", nullptr, 0, 0, 0, 100, false, "current display brightness, 0..100", FIELD_GET(s.brightness),
     FIELD_SET(s.brightness = int32_t(v))},
    {"level", "N", 0, kBrightnessLevelCount - 1, 0, 100, false, "brightness level N (0..7), strictly ascending with N",
     FIELD_GET(s.brightnessLevels[arg]), FIELD_SET(s.brightnessLevels[arg] = int32_t(v))},
    {"ec", "REG", 0, kEcRegisterCount - 1, 0, 0xFF, true, "embedded-controller register REG", FIELD_GET(s.ec[arg]),
     FIELD_SET(s.ec[arg] = uint8_t(v))},
    {"wireless", nullptr, 0, 0, 0, 1, false, "the radio switch: bit 0x10 of EC register 0xbb",
     FIELD_GET((s.ec[kEcWirelessRegister] & kEcWirelessBit) ? 1 : 0),
     FIELD_SET(s.ec[kEcWirelessRegister] = uint8_t(v ? (s.ec[kEcWirelessRegister] | kEcWirelessBit)
                                                     : (s.ec[kEcWirelessRegister] & ~kEcWirelessBit)))},
    {"outputs", nullptr, 0, 0, 0, kAllOutputs, true,
     "connected outputs: 0x01 HDMI, 0x02 VGA, 0x04 DisplayPort, 0x08 panel", FIELD_GET(s.connectedOutputs),
     FIELD_SET(s.connectedOutputs = uint32_t(v))},
    {"active", nullptr, 0, 0, 0, kAllOutputs, true, "outputs the last SOPS switched to", FIELD_GET(s.activeOutputs),
     FIELD_SET(s.activeOutputs = uint32_t(v))},
    {"hotkey", nullptr, 0, 0, 0, 1, false, "1 while the EC is in hotkey mode", FIELD_GET(s.hotkeyMode),
     FIELD_SET(s.hotkeyMode = int32_t(v))},
    {"charging-disabled", nullptr, 0, 0, 0, 1, false, "the BIOS flag: 1 when charging is off",
     FIELD_GET(s.chargingDisabled), FIELD_SET(s.chargingDisabled = int32_t(v))},
    {"battery-charge", nullptr, 0, 0, 0, 255, false, "battery charge in percent (255: unknown)",
     FIELD_GET(s.batteryCharge), FIELD_SET(s.batteryCharge = int32_t(v))},
    {"battery-flag", nullptr, 0, 0, 0, 0xFF, true,
     "battery flag byte: 0x01 high, 0x02 low, 0x04 critical, 0x08 charging, 0x80 no battery", FIELD_GET(s.batteryFlag),
     FIELD_SET(s.batteryFlag = int32_t(v))},
    {"display-scale", nullptr, 0, 0, 100, 500, false,
     "display scaling in percent, 100..500: the display mode is the desktop times this / 100",
     FIELD_GET(s.displayScale), FIELD_SET(s.displayScale = int32_t(v))},
    {"sgfc-requests", nullptr, 0, 0, 0, kU32Max, false, "graphics switches started (SGFC)", FIELD_GET(s.sgfcRequests),
     FIELD_SET(s.sgfcRequests = uint32_t(v))},
    {"sops-commits", nullptr, 0, 0, 0, kU32Max, false, "output switches committed (SOPS)", FIELD_GET(s.sopsCommits),
     FIELD_SET(s.sopsCommits = uint32_t(v))},
};

#undef FIELD_GET
#undef FIELD_SET

// Hex for masks and bytes, as they are written in the firmware's terms.
std::string Number(int64_t v, bool hex) {
    char buf[32];
    if (hex && v >= 0) {
        std::snprintf(buf, sizeof buf, v > 0xFF ? "0x%llx" : "0x%02llx", static_cast<unsigned long long>(v));
    } else {
        std::snprintf(buf, sizeof buf, "%lld", static_cast<long long>(v));
    }
    return buf;
}

// The program steps through the levels in order; a table that does not
// ascend is not a plausible notebook.
std::string CheckLevels(const int32_t (&levels)[kBrightnessLevelCount]) {
    for (int i = 1; i < kBrightnessLevelCount; ++i) {
        if (levels[i] <= levels[i - 1]) {
            return "brightness levels must ascend strictly: level " + std::to_string(i) + " (" +
                   std::to_string(levels[i]) + ") is not above level " + std::to_string(i - 1) + " (" +
                   std::to_string(levels[i - 1]) + ")";
        }
    }
    return {};
}

}  // namespace

const std::vector<Field>& Fields() { return kFields; }

const Field* FieldByName(std::string_view name) {
    for (const Field& f : kFields) {
        if (name == f.name) {
            return &f;
        }
    }
    return nullptr;
}

std::string FormatFieldValue(const Field& f, int64_t value) { return Number(value, f.hex); }

std::string SetField(State& s, const Field& f, int64_t arg, int64_t value) {
    if (f.argName && (arg < f.argMin || arg > f.argMax)) {
        return std::string(f.name) + ": " + f.argName + " " + std::to_string(arg) + " is outside " +
               Number(f.argMin, f.hex) + ".." + Number(f.argMax, f.hex);
    }
    if (value < f.min || value > f.max) {
        return std::string(f.name) + ": " + std::to_string(value) + " is outside " + Number(f.min, f.hex) + ".." +
               Number(f.max, f.hex);
    }
    // Check the level against its neighbours on a copy, so a refusal changes nothing.
    if (std::string_view(f.name) == "level") {
        int32_t levels[kBrightnessLevelCount];
        std::copy(std::begin(s.brightnessLevels), std::end(s.brightnessLevels), levels);
        levels[arg] = static_cast<int32_t>(value);
        std::string why = CheckLevels(levels);
        if (!why.empty()) {
            return why;
        }
    }
    f.set(s, arg, value);
    return {};
}

std::string SetBrightnessLevels(State& s, const std::vector<int64_t>& levels) {
    if (levels.size() != kBrightnessLevelCount) {
        return "levels: give exactly " + std::to_string(kBrightnessLevelCount) + " values, not " +
               std::to_string(levels.size());
    }
    int32_t table[kBrightnessLevelCount];
    for (int i = 0; i < kBrightnessLevelCount; ++i) {
        if (levels[i] < 0 || levels[i] > 100) {
            return "levels: " + std::to_string(levels[i]) + " is outside 0..100";
        }
        table[i] = static_cast<int32_t>(levels[i]);
    }
    std::string why = CheckLevels(table);
    if (!why.empty()) {
        return why;
    }
    std::copy(std::begin(table), std::end(table), s.brightnessLevels);
    return {};
}

std::string OutputNames(uint32_t mask) {
    static const struct {
        uint32_t bit;
        const char* name;
    } kNames[] = {
        {kOutputHdmi, "HDMI"}, {kOutputVga, "VGA"}, {kOutputDisplayPort, "DisplayPort"}, {kOutputPanel, "panel"}};
    std::string s;
    for (const auto& n : kNames) {
        if (mask & n.bit) {
            s += s.empty() ? "" : " ";
            s += n.name;
        }
    }
    // The range fault answers such bits; show them rather than hide them.
    if (mask & ~kAllOutputs) {
        s += s.empty() ? "" : " ";
        s += "unknown bits " + Number(mask & ~kAllOutputs, true);
    }
    return s.empty() ? "none" : s;
}

}  // namespace sim
