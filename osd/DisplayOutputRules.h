#pragma once

#include <cstdint>

// Output code bits; a code is a set of outputs, also used for what is plugged in.
namespace DisplayOutput {
constexpr uint8_t kHdmi = 0x01;
constexpr uint8_t kVga = 0x02;
constexpr uint8_t kDisplayPort = 0x04;
constexpr uint8_t kPanel = 0x08;
} // namespace DisplayOutput

// True when the panel and at least one external output are plugged in.
bool StartsDisplayCycle(uint8_t plugged);

struct DisplayStep {
    bool hasCell;
    uint8_t output;
    uint16_t pictureId;
    bool last; // the cycle starts over on the next press
};

// The step of the cycle for the plugged set at press pressCount (1-based).
DisplayStep LookUpDisplayStep(uint8_t plugged, int32_t pressCount);

// Picture for an output code the cycle can choose; 0 for any other code.
uint16_t DisplayOutputPictureId(uint8_t output);

// What the OSD does after one press of the display key.
struct DisplayCycleStep {
    bool show;          // false: only the panel is usable, nothing to show
    uint16_t pictureId; // picture to load when shown
    uint8_t output;     // output chosen so far
};

// Press count and chosen output between presses of the display key.
class DisplayCycle {
public:
    DisplayCycleStep Advance(uint8_t plugged);

    // The chosen output was applied; the next press starts the cycle over.
    void Committed();

    int32_t PressCount() const { return m_pressCount; }
    uint8_t ChosenOutput() const { return m_chosenOutput; }

private:
    int32_t m_pressCount = 0;
    uint8_t m_chosenOutput = DisplayOutput::kPanel;
};
