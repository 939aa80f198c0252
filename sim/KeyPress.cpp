#include "sim/KeyPress.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <optional>

#include "app/AppMessages.h"
#include "hotkeys/DecisionTable.h"
#include "sim/ProgramWindows.h"

namespace {

using KeyFlag::kExtended;
using KeyFlag::kInjected;  // every event SendInput makes carries it
using KeyFlag::kReleased;

struct KeyName {
    const char* name;
    HotkeyAction action;
    const char* what;
    // The function key the Fn combination sits on: what the keyboard sends
    // while the controller is out of hotkey mode (0: the same either way).
    int functionKey;
};

// The names of the notebook's keys; their scan codes in hotkey mode come from
// the program's own decision table.
const KeyName kKeys[] = {
    {"battery", HotkeyAction::ShowBatteryLevel, "battery charge", 3},
    {"mute", HotkeyAction::ShowMuteState, "mute", 7},
    {"brightness-down", HotkeyAction::BrightnessDown, "display dimmer", 5},
    {"brightness-up", HotkeyAction::BrightnessUp, "display brighter", 6},
    {"display", HotkeyAction::CycleDisplayOutput, "display outputs (acts on the press)", 1},
    {"wireless", HotkeyAction::ShowWirelessState, "wireless switch", 2},
    {"companion", HotkeyAction::ToggleCompanion, "companion program", 4},
    {"graphics-switch", HotkeyAction::ConfirmGraphicsSwitch, "switch graphics card", 10},
    {"esc", HotkeyAction::HideOsd, "Esc (hides the OSD)", 0},
    {"f18", HotkeyAction::SynthesizeF18, "key that makes the program send F18", 11},
    {"volume-up", HotkeyAction::VolumeUp, "volume up", 9},
    {"volume-down", HotkeyAction::VolumeDown, "volume down", 8},
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

// One key event as the keyboard makes it: a scan code, and the virtual key of
// a plain function key (0 for the Fn codes, which map to none).
struct KeyEvent {
    uint32_t scan;
    UINT vk;
    uint32_t flags;  // as the hook sees them, but for the injected bit
};

// Through the system's input, as a keyboard's event: past every low-level hook.
bool SendThroughInput(const KeyEvent& event) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = static_cast<WORD>(event.vk);
    input.ki.wScan = static_cast<WORD>(event.scan);
    input.ki.dwFlags = (event.vk == 0 ? KEYEVENTF_SCANCODE : 0) |
                       ((event.flags & kExtended) != 0 ? KEYEVENTF_EXTENDEDKEY : 0) |
                       ((event.flags & kReleased) != 0 ? KEYEVENTF_KEYUP : 0);
    return ::SendInput(1, &input, sizeof(input)) == 1;
}

// The plain function key the keyboard sends for `key` out of hotkey mode,
// written to the call log; nullopt in hotkey mode (or with a notebook that
// cannot be reached, where the key goes as it is).
std::optional<KeyEvent> WithoutHotkeyMode(sim::Notebook& nb, const KeyName& key, uint32_t fnScan) {
    sim::Lock lock(nb);
    if (!lock || lock.state().hotkeyMode != 0 || key.functionKey == 0) {
        return std::nullopt;
    }
    const UINT vk = VK_F1 + key.functionKey - 1;
    const KeyEvent plain{::MapVirtualKeyW(vk, MAPVK_VK_TO_VSC), vk, 0};
    sim::CallRecord& r = lock.AppendCall(sim::Function::Keyboard);
    r.arg[0] = fnScan;
    r.arg[1] = static_cast<uint32_t>(key.functionKey);
    r.arg[2] = plain.scan;
    std::printf("no hotkey mode: the keyboard sends F%d (scan 0x%02x)\n", key.functionKey, plain.scan);
    return plain;
}

}  // namespace

void PrintPressHelp() {
    std::printf(
        "usage: notebook press KEY [--down | --up | --flags HEX] [--input]\n"
        "       notebook press --scan HEX [--down | --up | --flags HEX] [--extended] [--input]\n\n"
        "A key is pressed and released, as the keyboard hook sees it (flags 0x01 and\n"
        "0x81 for an extended key, 0x00 and 0x80 for the others); --down or --up\n"
        "delivers only one of them, --flags HEX one event with exactly those flags\n"
        "(0x10 injected, 0x20 Alt held, ...). The events are posted to the program's\n"
        "window; with --input they go through the system's input instead, as a\n"
        "keyboard's do, past the program's hook (which then sees the injected bit).\n"
        "While the controller is out of hotkey mode (notebook sleep), an Fn key sends\n"
        "the plain function key it sits on, which the program leaves alone; the call\n"
        "log shows it as Keyboard(...).\n\nkeys:\n");
    for (const KeyName& key : kKeys) {
        const HotkeyRow* row = RowOf(key.action);
        const std::string plain = key.functionKey != 0 ? "F" + std::to_string(key.functionKey) : "Esc";
        std::printf("  %-16s scan 0x%02x  %-4s %s\n", key.name,
                    row != nullptr ? static_cast<unsigned>(row->scanCode) : 0u, plain.c_str(), key.what);
    }
}

int PressCommand(sim::Notebook& nb, const std::vector<std::string>& args) {
    std::optional<uint32_t> scan;
    std::optional<uint32_t> flags;
    const KeyName* named = nullptr;
    bool extended = false;
    bool down = true;
    bool up = true;
    bool input = false;
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
        } else if (a == "--input") {
            input = true;
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
            for (const KeyName& k : kKeys) {
                named = a == k.name ? &k : named;
            }
            const HotkeyRow* row = named != nullptr ? RowOf(named->action) : nullptr;
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
    if (input && flags) {
        return Usage("--flags goes with a posted event only: the system's input sets its own");
    }
    const sim::RunningProgram program = sim::FindRunningProgram();
    if (program.main == nullptr) {
        std::fprintf(stderr, "notebook: VaskHotkey is not running\n");
        return 1;
    }
    KeyEvent key{*scan, 0, extended ? kExtended : 0};
    if (named != nullptr) {
        if (const std::optional<KeyEvent> plain = WithoutHotkeyMode(nb, *named, *scan)) {
            key = *plain;
        }
    }
    std::vector<uint32_t> events;
    if (flags) {
        events.push_back(*flags);
    } else {
        if (down) {
            events.push_back(key.flags);
        }
        if (up) {
            events.push_back(key.flags | kReleased);
        }
    }
    for (uint32_t eventFlags : events) {
        if (input) {
            if (!SendThroughInput({key.scan, key.vk, eventFlags})) {
                std::fprintf(stderr, "notebook: the system took no input (%lu)\n", ::GetLastError());
                return 1;
            }
            std::printf("sent flags 0x%02x scan 0x%02x\n", eventFlags | kInjected, key.scan);
            continue;
        }
        if (!::PostMessageW(program.main, WM_FNKEY_EVENT, eventFlags, key.scan)) {
            std::fprintf(stderr, "notebook: could not post to VaskHotkey (%lu)\n", ::GetLastError());
            return 1;
        }
        std::printf("posted flags 0x%02x scan 0x%02x\n", eventFlags, key.scan);
    }
    return 0;
}
