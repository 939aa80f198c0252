// Every vendor function the keys call, under each fault it can show, for every
// key that calls it: the program runs on, writes what its behaviour gives for
// that failure, leaves the notebook as it should, and the same key works again
// once the fault is gone. One table holds every cell's expected outcome.
#include <gtest/gtest.h>

#include <functional>

#include "ProgramHarness.h"
#include "WindowWatch.h"

namespace e2e {
namespace {

using sim::Fault;
using sim::Function;
using Lines = std::vector<std::string>;

struct Key {
    const char* name;
    uint32_t flags;
    uint32_t scanCode;
};
const Key kWireless{"wireless", 0x81, 0x04};
const Key kMute{"mute", 0x81, 0x20};
const Key kVolumeUp{"volume-up", 0x81, 0x28};
const Key kVolumeDown{"volume-down", 0x81, 0x2D};
const Key kBrightnessUp{"brightness-up", 0x81, 0x06};
const Key kBrightnessDown{"brightness-down", 0x81, 0x05};
const Key kBattery{"battery", 0x81, 0x07};
const Key kGraphics{"graphics", 0x81, 0x26};
const Key kDisplay{"display", 0x01, 0x0B};

struct Cell {
    Function function;
    Fault fault;
    Key key;
    std::function<void(sim::State&)> setup;         // on top of a fresh notebook; may be empty
    Lines lines;                                    // what the key writes under the fault
    std::function<bool(const sim::State&)> leaves;  // the notebook afterwards
    std::string healthy;                            // a line the key writes without the fault; "" for none
    const wchar_t* dialog = nullptr;                // a dialog the key opens under the fault, answered with OK
    const wchar_t* healthyDialog = nullptr;         // the same without the fault
    std::function<bool(const sim::State&)> healthyLeaves = {};  // the notebook after that, if checked
};

Lines Volume(int from, int to, bool unmutes) {
    Lines lines = {"Current Volume Levels:" + std::to_string(from) + " Value:" + std::to_string(from * 10) + "\n"};
    if (unmutes) {
        lines.push_back("Mute to UnMute\n");
    }
    lines.push_back("Set Volume Levels:" + std::to_string(to) + " Value:" + std::to_string(to * 10) + "\n");
    return lines;
}

Lines BrightnessChecked(const Lines& tail) {
    Lines lines(8, "[VaskHotkey]BrightnessValue Passed");
    lines.insert(lines.end(), tail.begin(), tail.end());
    return lines;
}

Lines Display(const std::string& port, bool queryFailed) {
    Lines lines = {"FN+F1 Display Mode Changed"};
    if (queryFailed) {
        lines.push_back("Get Display Input Failed==============");
    }
    lines.push_back("Got plugin display port : " + port + " ");
    lines.push_back("===========DisplayMode : Default LCD Mode");
    return lines;
}

const auto kVolumeIs = [](int32_t v) { return [v](const sim::State& s) { return s.volume == v; }; };
const auto kMuted = [](sim::State& s) { s.muted = 1; };

std::vector<Cell> Cells() {
    const Lines guest = BrightnessChecked({"\n\n\n=========Guest deny==========\n\n\n"});
    Lines tooBright = BrightnessChecked({});
    for (int level : {5, 10, 20, 30, 45, 60, 80, 100}) {
        tooBright.push_back("[VaskHotkey]Check Brightness Values: " + std::to_string(level) + "\n");
    }
    tooBright.push_back("[VaskHotkey]BrightnessNumber: 150\tBrightnessLevel: 7\tWMIGetBrightness:100\n");
    const auto brightnessKept = [](const sim::State& s) { return s.brightness == 60; };
    const auto chargingKept = [](const sim::State& s) { return s.chargingDisabled == 0; };
    const auto noSwitch = [](const sim::State& s) { return s.sgfcRequests == 0; };
    const auto switched = [](const sim::State& s) { return s.sgfcRequests == 1; };
    const wchar_t* const kConfirmation = L"Switch Graphic Card";
    const auto outputsKept = [](const sim::State& s) { return s.activeOutputs == 0x08 && s.sopsCommits == 0; };
    const auto ecKept = [](const sim::State& s) { return s.ec[0xBB] == 0x10; };
    return {
        {Function::KervoEvaluate, Fault::Refuse, kWireless, {}, {"Can't Read EC Namespace!\n"}, ecKept, "SWITCH_ON"},
        // Nothing written: the preset byte has every bit, the switch bit too.
        {Function::KervoEvaluate, Fault::NoWrite, kWireless, {}, {"SWITCH_ON"}, ecKept, "SWITCH_ON"},
        {Function::KervoEvaluate, Fault::Range, kWireless, {}, {"SWITCH_ON"}, ecKept, "SWITCH_ON"},

        {Function::GetMuteVista, Fault::Refuse, kMute, {}, {}, kVolumeIs(40), ""},
        {Function::GetMuteVista, Fault::Range, kMute, {}, {}, kVolumeIs(40), ""},
        {Function::GetMuteVista, Fault::Refuse, kVolumeUp, {}, Volume(4, 5, false), kVolumeIs(50), "Set Volume"},
        {Function::GetMuteVista, Fault::Refuse, kVolumeDown, {}, Volume(4, 3, false), kVolumeIs(30), "Set Volume"},
        // Any answer but 0 counts as muted.
        {Function::GetMuteVista, Fault::Range, kVolumeUp, {}, Volume(4, 5, true), kVolumeIs(50), "Set Volume"},
        {Function::GetMuteVista, Fault::Range, kVolumeDown, {}, Volume(4, 3, true), kVolumeIs(30), "Set Volume"},
        // The unmute fails: the volume still steps, the mixer stays muted.
        {Function::SetMuteVista, Fault::Refuse, kVolumeUp, kMuted, Volume(4, 5, true),
         [](const sim::State& s) { return s.muted == 1 && s.volume == 50; }, "Set Volume"},
        {Function::SetMuteVista, Fault::NoWrite, kVolumeDown, kMuted, Volume(4, 3, true),
         [](const sim::State& s) { return s.muted == 1 && s.volume == 30; }, "Set Volume"},
        {Function::SetMuteVista, Fault::Refuse, kVolumeDown, kMuted, Volume(4, 3, true),
         [](const sim::State& s) { return s.muted == 1; }, "Set Volume"},
        {Function::SetMuteVista, Fault::NoWrite, kVolumeUp, kMuted, Volume(4, 5, true),
         [](const sim::State& s) { return s.muted == 1; }, "Set Volume"},
        // A refused read answers 0, which the mixer cannot tell from silence.
        {Function::GetVolumnVista, Fault::Refuse, kVolumeUp, {}, Volume(0, 1, false), kVolumeIs(10), "Set Volume"},
        {Function::GetVolumnVista, Fault::Refuse, kVolumeDown, {}, Volume(0, 0, false), kVolumeIs(0), "Set Volume"},
        {Function::GetVolumnVista, Fault::Range, kVolumeUp, {}, Volume(10, 10, false), kVolumeIs(100), "Set Volume"},
        {Function::GetVolumnVista, Fault::Range, kVolumeDown, {}, Volume(10, 9, false), kVolumeIs(90), "Set Volume"},
        {Function::SetVolumnVista, Fault::Refuse, kVolumeUp, {}, Volume(4, 5, false), kVolumeIs(40), "Set Volume"},
        {Function::SetVolumnVista, Fault::Refuse, kVolumeDown, {}, Volume(4, 3, false), kVolumeIs(40), "Set Volume"},
        {Function::SetVolumnVista, Fault::NoWrite, kVolumeUp, {}, Volume(4, 5, false), kVolumeIs(40), "Set Volume"},
        {Function::SetVolumnVista, Fault::NoWrite, kVolumeDown, {}, Volume(4, 3, false), kVolumeIs(40), "Set Volume"},

        // The guest notice opens; the next key (the marker) closes it.
        {Function::WMI_GetBrightnessVista,
         Fault::Refuse,
         kBrightnessUp,
         {},
         guest,
         brightnessKept,
         "[VaskHotkey]BrightnessNumber"},
        {Function::WMI_GetBrightnessVista,
         Fault::Refuse,
         kBrightnessDown,
         {},
         guest,
         brightnessKept,
         "[VaskHotkey]BrightnessNumber"},
        {Function::WMI_GetBrightnessVista,
         Fault::Range,
         kBrightnessUp,
         {},
         tooBright,
         brightnessKept,
         "[VaskHotkey]BrightnessNumber"},
        {Function::WMI_GetBrightnessVista,
         Fault::Range,
         kBrightnessDown,
         {},
         tooBright,
         brightnessKept,
         "[VaskHotkey]BrightnessNumber"},

        // First among the battery cells: no charge has been read yet, so
        // after the box nothing is shown.
        {Function::GetSystemPowerStatus,
         Fault::Refuse,
         kBattery,
         {},
         {},
         chargingKept,
         "power scale is 80",
         L"VaskHotkey"},
        // A flag not written stays preset: the charging notice opens.
        {Function::GetBatteryChargingDisable,
         Fault::Refuse,
         kBattery,
         {},
         {"power scale is 80"},
         chargingKept,
         "nid=172"},
        {Function::GetBatteryChargingDisable,
         Fault::NoWrite,
         kBattery,
         {},
         {"power scale is 80"},
         chargingKept,
         "nid=172"},
        {Function::GetBatteryChargingDisable,
         Fault::Range,
         kBattery,
         {},
         {"power scale is 80"},
         chargingKept,
         "nid=172"},

        // The switch fails or writes nothing; the confirmation closes as usual.
        {Function::ControlMethod,
         Fault::Refuse,
         kGraphics,
         {},
         {},
         noSwitch,
         "",
         kConfirmation,
         kConfirmation,
         switched},
        {Function::ControlMethod,
         Fault::NoWrite,
         kGraphics,
         {},
         {},
         noSwitch,
         "",
         kConfirmation,
         kConfirmation,
         switched},

        // Last: the healthy display press leaves a commit 3 s later.
        {Function::ACPIEvalMethodEx,
         Fault::Refuse,
         kDisplay,
         {},
         Display("0x0ff", true),
         outputsKept,
         "Got plugin display port : 0x0b"},
        {Function::ACPIEvalMethodEx,
         Fault::NoWrite,
         kDisplay,
         {},
         Display("0x0ff", false),
         outputsKept,
         "Got plugin display port : 0x0b"},
        {Function::ACPIEvalMethodEx,
         Fault::Range,
         kDisplay,
         {},
         Display("0x0f0", false),
         outputsKept,
         "Got plugin display port : 0x0b"},
    };
}

class FaultMatrix : public RunningProgramTest {
protected:
    // Presses the key, answers with OK the dialog it opens, and returns the
    // lines it wrote once `done` holds (or 3 s have passed) and the program
    // has handled everything posted to it, so that no more can follow.
    // A plain key then closes any notice it left open.
    Lines Press(const Key& key, const wchar_t* dialog, const std::function<bool(const Lines&)>& done) {
        const size_t before = program.Lines().size();
        program.Press(key.flags, key.scanCode);
        if (dialog != nullptr) {
            HWND window = observe::WaitForWindow(nullptr, dialog, 3000, program.Pid());
            EXPECT_NE(window, nullptr) << "no dialog";
            ::PostMessageW(window, WM_COMMAND, IDOK, 0);
            for (int i = 0; i < 300 && ::IsWindow(window); ++i) {
                ::Sleep(10);
            }
        }
        const auto written = [&] {
            const Lines all = program.Lines();
            return Lines(all.begin() + static_cast<long>(before), all.end());
        };
        for (int i = 0; i < 300 && !done(written()); ++i) {
            ::Sleep(10);
        }
        program.Settle();
        program.Press(0x00, 0x1E);
        program.Settle();
        return written();
    }
};

TEST_F(FaultMatrix, EveryFaultOfEveryFunctionOnEveryKeyThatCallsIt) {
    const std::vector<Cell> cells = Cells();
    for (const Cell& cell : cells) {
        SCOPED_TRACE(::testing::Message()
                     << sim::Info(cell.function).name << " " << sim::FaultName(cell.fault) << " on " << cell.key.name);
        machine.Set([&](sim::State& s) {
            s = sim::DefaultState();
            s.hotkeyMode = 1;
            if (cell.setup) {
                cell.setup(s);
            }
        });
        ASSERT_TRUE(machine.notebook().SetFault(cell.function, cell.fault));
        EXPECT_EQ(Press(cell.key, cell.dialog, [&](const Lines& l) { return l.size() >= cell.lines.size(); }),
                  cell.lines);
        ASSERT_TRUE(program.Running());
        EXPECT_TRUE(cell.leaves(*machine.notebook().ReadState()));

        ASSERT_TRUE(machine.notebook().SetFault(cell.function, Fault::None));
        machine.Set([](sim::State& s) { s.muted = 0; });
        const auto hasHealthy = [&](const Lines& lines) {
            for (const std::string& line : lines) {
                if (line.rfind(cell.healthy, 0) == 0) {
                    return true;
                }
            }
            return false;
        };
        const Lines healthy = Press(cell.key, cell.healthyDialog, hasHealthy);
        if (!cell.healthy.empty()) {
            EXPECT_TRUE(hasHealthy(healthy)) << "without the fault: " << ::testing::PrintToString(healthy);
        }
        if (cell.healthyLeaves) {
            EXPECT_TRUE(cell.healthyLeaves(*machine.notebook().ReadState())) << "without the fault";
        }
    }
    std::printf("%zu fault cells\n", cells.size());
}

}  // namespace
}  // namespace e2e
