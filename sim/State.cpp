// The machine as a fresh one comes.
#include "sim/SimNotebook.h"

#include <algorithm>

namespace sim {

State DefaultState() {
    State s{};
    s.volume = 40;
    s.muted = 0;
    const int32_t levels[kBrightnessLevelCount] = {5, 10, 20, 30, 45, 60, 80, 100};
    std::copy(std::begin(levels), std::end(levels), s.brightnessLevels);
    s.brightness = 60;
    s.ec[kEcWirelessRegister] = kEcWirelessBit;
    s.connectedOutputs = kOutputPanel | kOutputVga | kOutputHdmi;
    s.activeOutputs = kOutputPanel;
    s.hotkeyMode = 0;
    s.chargingDisabled = 0;
    s.batteryCharge = 80;
    s.batteryFlag = 1;  // high
    s.displayScale = 100;
    for (int f = 0; f < kFunctionCount; ++f) {
        FaultSwitch& fs = s.faults[f];
        fs.fault = static_cast<uint8_t>(Fault::None);
        fs.rangeValue = Info(static_cast<Function>(f)).defaultRangeValue;
        fs.stallMs = 0;
    }
    return s;
}

}  // namespace sim
