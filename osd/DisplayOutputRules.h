#pragma once

#include <cstdint>

// Output code bits; a code is a set of outputs, also used for what is plugged in.
namespace DisplayOutput {
constexpr uint8_t kHdmi = 0x01;
constexpr uint8_t kVga = 0x02;
constexpr uint8_t kDisplayPort = 0x04;
constexpr uint8_t kPanel = 0x08;
}  // namespace DisplayOutput

// True when the panel and at least one external output are plugged in.
bool StartsDisplayCycle(uint8_t plugged);

struct DisplayStep {
    bool hasCell;
    uint8_t output;
    uint16_t pictureId;
    bool last;  // the cycle starts over on the next press
};

// The step of the cycle for the plugged set at press pressCount (1-based).
DisplayStep LookUpDisplayStep(uint8_t plugged, int32_t pressCount);

// Picture for an output code the cycle can choose; 0 for any other code.
uint16_t DisplayOutputPictureId(uint8_t output);

// What the OSD does after one press of the display key.
struct DisplayPress {
    bool show;         // false: only the panel is usable; nothing is drawn or shown
    bool loadPicture;  // true: a step of the cycle, load pictureId
    uint16_t pictureId;
};

// One press of the display key, applied to the press count and the chosen
// output the OSD keeps between presses. A count with no step in the plugged
// set's row (the set shrank mid-cycle) changes nothing: the OSD shows what it
// showed and the last choice stands until it is committed.
DisplayPress AdvanceDisplayCycle(uint8_t plugged, int32_t& pressCount, uint8_t& chosenOutput);
