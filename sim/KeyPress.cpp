#include "sim/KeyPress.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <optional>

#include "hotkeys/DecisionTable.h"

namespace {

constexpr UINT WM_FNKEY_EVENT = WM_APP + 0x65;  // what the program's hook posts
constexpr wchar_t kProgramClass[] = L"VaskHotkeyClass";
constexpr uint32_t kExtended = 0x01;
constexpr uint32_t kReleased = 0x80;

struct KeyName {
    const char* name;
    HotkeyAction action;
    const char* what;
};

// The names of the notebook's keys; their scan codes come from the program's
// own decision table.
const KeyName kKeys[] = {
    {"battery", HotkeyAction::ShowBatteryLevel, "battery charge"},
    {"mute", HotkeyAction::ShowMuteState, "mute"},
    {"brightness-down", HotkeyAction::BrightnessDown, "display dimmer"},
    {"brightness-up", HotkeyAction::BrightnessUp, "display brighter"},
    {"display", HotkeyAction::CycleDisplayOutput, "display outputs (acts on the press)"},
    {"wireless", HotkeyAction::ShowWirelessState, "wireless switch"},
    {"companion", HotkeyAction::ToggleCompanion, "companion program"},
    {"graphics-switch", HotkeyAction::ConfirmGraphicsSwitch, "switch graphics card"},
    {"esc", HotkeyAction::HideOsd, "Esc (hides the OSD)"},
    {"f18", HotkeyAction::SynthesizeF18, "key that makes the program send F18"},
    {"volume-up", HotkeyAction::VolumeUp, "volume up"},
    {"volume-down", HotkeyAction::VolumeDown, "volume down"},
};

const HotkeyRow* RowOf(HotkeyAction action) {
    for (const HotkeyRow& row : HotkeyRows()) {
        if (row.action == action) {
            return &row;
        }
    }
    return nullptr;
}

std::optional<uint32_t> ParseHex(const std::string& text, uint32_t max) {
    if (text.empty()) {
        return std::nullopt;
    }
    char* end = nullptr;
    const unsigned long value = std::strtoul(text.c_str(), &end, 16);
    if (*end != '\0' || value > max) {
        return std::nullopt;
    }
    return static_cast<uint32_t>(value);
}

int Usage(const std::string& why) {
    std::fprintf(stderr, "notebook: %s (notebook press --help lists the keys)\n", why.c_str());
    return 2;
}

}  // namespace

void PrintPressHelp() {
    std::printf("usage: notebook press KEY [--down | --up | --flags HEX]\n"
                "       notebook press --scan HEX [--down | --up | --flags HEX] [--extended]\n\n"
                "A key is pressed and released, as the keyboard hook sees it (flags 0x01 and\n"
                "0x81 for an extended key, 0x00 and 0x80 for the others); --down or --up\n"
                "delivers only one of them, --flags HEX one event with exactly those flags\n"
                "(0x10 injected, 0x20 Alt held, ...).\n\nkeys:\n");
    for (const KeyName& key : kKeys) {
        const HotkeyRow* row = RowOf(key.action);
        std::printf("  %-16s scan 0x%02x  %s\n", key.name, row != nullptr ? static_cast<unsigned>(row->scanCode) : 0u,
                    key.what);
    }
}

int PressCommand(const std::vector<std::string>& args) {
    std::optional<uint32_t> scan;
    std::optional<uint32_t> flags;
    bool extended = false;
    bool down = true;
    bool up = true;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--help" || a == "-h") {
            PrintPressHelp();
            return 0;
        } else if (a == "--down") {
            up = false;
        } else if (a == "--up") {
            down = false;
        } else if (a == "--extended") {
            extended = true;
        } else if (a == "--flags" || a == "--scan") {
            if (i + 1 == args.size()) {
                return Usage(a + " needs a hexadecimal value");
            }
            const std::optional<uint32_t> value = ParseHex(args[++i], a == "--flags" ? 0xFFFFFFFFu : 0xFFFFu);
            if (!value) {
                return Usage("bad value for " + a + ": \"" + args[i] + "\"");
            }
            (a == "--flags" ? flags : scan) = value;
        } else if (!scan) {
            const KeyName* key = nullptr;
            for (const KeyName& k : kKeys) {
                key = a == k.name ? &k : key;
            }
            const HotkeyRow* row = key != nullptr ? RowOf(key->action) : nullptr;
            if (row == nullptr) {
                return Usage("unknown key \"" + a + "\"");
            }
            scan = row->scanCode;
            extended = (row->flags & kExtended) != 0;
        } else {
            return Usage("unexpected \"" + a + "\"");
        }
    }
    if (!scan) {
        return Usage("which key?");
    }
    if (!down && !up) {
        return Usage("--down and --up together are a plain press");
    }
    HWND program = ::FindWindowW(kProgramClass, nullptr);
    if (program == nullptr) {
        std::fprintf(stderr, "notebook: VaskHotkey is not running\n");
        return 1;
    }
    std::vector<uint32_t> events;
    if (flags) {
        events.push_back(*flags);
    } else {
        const uint32_t base = extended ? kExtended : 0;
        if (down) {
            events.push_back(base);
        }
        if (up) {
            events.push_back(base | kReleased);
        }
    }
    for (uint32_t eventFlags : events) {
        if (!::PostMessageW(program, WM_FNKEY_EVENT, eventFlags, *scan)) {
            std::fprintf(stderr, "notebook: could not post to VaskHotkey (%lu)\n", ::GetLastError());
            return 1;
        }
        std::printf("posted flags 0x%02x scan 0x%02x\n", eventFlags, *scan);
    }
    return 0;
}
