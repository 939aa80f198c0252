#include "osd/DisplayOutputRules.h"

#include <array>
#include <cstddef>
#include <limits>

namespace {

using DisplayOutput::kDisplayPort;
using DisplayOutput::kHdmi;
using DisplayOutput::kPanel;
using DisplayOutput::kVga;

constexpr uint8_t kHdmiVga = kHdmi | kVga;
constexpr uint8_t kHdmiDp = kHdmi | kDisplayPort;
constexpr uint8_t kVgaDp = kVga | kDisplayPort;
constexpr uint8_t kPanelHdmi = kPanel | kHdmi;
constexpr uint8_t kPanelVga = kPanel | kVga;
constexpr uint8_t kPanelDp = kPanel | kDisplayPort;
constexpr uint8_t kPanelHdmiVga = kPanel | kHdmi | kVga;
constexpr uint8_t kPanelHdmiDp = kPanel | kHdmi | kDisplayPort;
constexpr uint8_t kPanelVgaDp = kPanel | kVga | kDisplayPort;
constexpr uint8_t kAllOutputs = kPanel | kHdmi | kVga | kDisplayPort;

constexpr uint8_t kFirstCycleSet = kPanelHdmi;
constexpr uint8_t kLastCycleSet = kAllOutputs;

struct OutputPicture {
    uint8_t output;
    uint16_t pictureId;
};

constexpr std::array<OutputPicture, 10> kOutputPictures = {{
    {kPanel, 183},
    {kHdmi, 181},
    {kVga, 187},
    {kDisplayPort, 179},
    {kHdmiVga, 180},
    {kHdmiDp, 182},
    {kVgaDp, 188},
    {kPanelHdmi, 185},
    {kPanelVga, 186},
    {kPanelDp, 184},
}};

constexpr std::size_t kLongestCycle = 11;

// The outputs offered in turn for one plugged set; the final one ends the cycle.
struct CycleRow {
    uint8_t plugged;
    std::size_t length;
    std::array<uint8_t, kLongestCycle> outputs;
};

constexpr std::array<CycleRow, 7> kCycleRows = {{
    {kPanelHdmi, 3, {kPanel, kPanelHdmi, kHdmi}},
    {kPanelVga, 3, {kPanel, kPanelVga, kVga}},
    {kPanelHdmiVga, 6, {kPanel, kHdmiVga, kHdmi, kPanelHdmi, kPanelVga, kVga}},
    {kPanelDp, 3, {kPanel, kPanelDp, kDisplayPort}},
    {kPanelHdmiDp, 6, {kPanel, kHdmiDp, kDisplayPort, kPanelDp, kPanelHdmi, kHdmi}},
    {kPanelVgaDp, 6, {kPanel, kVgaDp, kDisplayPort, kPanelDp, kPanelVga, kVga}},
    {kAllOutputs,
     11,
     {kPanel, kVgaDp, kDisplayPort, kPanelDp, kPanelVga, kVga, kHdmiDp, kHdmiVga, kHdmi, kPanelHdmi, kPanel}},
}};

const CycleRow* FindCycleRow(uint8_t plugged) {
    for (const CycleRow& row : kCycleRows) {
        if (row.plugged == plugged) {
            return &row;
        }
    }
    return nullptr;
}

}  // namespace

bool StartsDisplayCycle(uint8_t plugged) { return plugged >= kFirstCycleSet && plugged <= kLastCycleSet; }

DisplayStep LookUpDisplayStep(uint8_t plugged, int32_t pressCount) {
    const DisplayStep noCell = {false, 0, 0, false};
    const CycleRow* row = FindCycleRow(plugged);
    if (row == nullptr || pressCount < 1 || static_cast<std::size_t>(pressCount) > row->length) {
        return noCell;
    }
    const std::size_t index = static_cast<std::size_t>(pressCount) - 1;
    const uint8_t output = row->outputs[index];
    return {true, output, DisplayOutputPictureId(output), index + 1 == row->length};
}

uint16_t DisplayOutputPictureId(uint8_t output) {
    for (const OutputPicture& entry : kOutputPictures) {
        if (entry.output == output) {
            return entry.pictureId;
        }
    }
    return 0;
}

DisplayPress AdvanceDisplayCycle(uint8_t plugged, int32_t& pressCount, uint8_t& chosenOutput) {
    // Past the row's end the count only grows until the commit resets it; it
    // stops at the largest count rather than wrap to a negative one.
    if (pressCount < std::numeric_limits<int32_t>::max()) {
        ++pressCount;
    }
    if (!StartsDisplayCycle(plugged)) {
        pressCount = 0;
        return {false, false, 0};
    }
    const DisplayStep step = LookUpDisplayStep(plugged, pressCount);
    if (!step.hasCell) {
        return {true, false, 0};
    }
    chosenOutput = step.output;
    if (step.last) {
        pressCount = 0;
    }
    return {true, true, step.pictureId};
}
