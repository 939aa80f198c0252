#include "osd/DisplayOutputRules.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <map>
#include <vector>

namespace {

struct Cell {
    uint8_t output;
    uint16_t pictureId;
};

// What each press shows for each plugged set; the final cell of a row ends the cycle.
const std::map<uint8_t, std::vector<Cell>> kCycles = {
    {0x09, {{0x08, 183}, {0x09, 185}, {0x01, 181}}},
    {0x0A, {{0x08, 183}, {0x0A, 186}, {0x02, 187}}},
    {0x0B, {{0x08, 183}, {0x03, 180}, {0x01, 181}, {0x09, 185}, {0x0A, 186}, {0x02, 187}}},
    {0x0C, {{0x08, 183}, {0x0C, 184}, {0x04, 179}}},
    {0x0D, {{0x08, 183}, {0x05, 182}, {0x04, 179}, {0x0C, 184}, {0x09, 185}, {0x01, 181}}},
    {0x0E, {{0x08, 183}, {0x06, 188}, {0x04, 179}, {0x0C, 184}, {0x0A, 186}, {0x02, 187}}},
    {0x0F,
     {{0x08, 183},
      {0x06, 188},
      {0x04, 179},
      {0x0C, 184},
      {0x0A, 186},
      {0x02, 187},
      {0x05, 182},
      {0x03, 180},
      {0x01, 181},
      {0x09, 185},
      {0x08, 183}}},
};

TEST(DisplayCycleStart, NeedsPanelAndAnExternalOutput) {
    for (int plugged = 0; plugged <= 0xFF; ++plugged) {
        const bool expected = plugged >= 0x09 && plugged <= 0x0F;
        EXPECT_EQ(StartsDisplayCycle(static_cast<uint8_t>(plugged)), expected) << plugged;
    }
}

TEST(DisplayStep, EveryCellOfEveryRow) {
    for (const auto& [plugged, cells] : kCycles) {
        for (std::size_t i = 0; i < cells.size(); ++i) {
            const int32_t press = static_cast<int32_t>(i) + 1;
            const DisplayStep step = LookUpDisplayStep(plugged, press);
            ASSERT_TRUE(step.hasCell) << int{plugged} << " press " << press;
            EXPECT_EQ(step.output, cells[i].output) << int{plugged} << " press " << press;
            EXPECT_EQ(step.pictureId, cells[i].pictureId) << int{plugged} << " press " << press;
            EXPECT_EQ(step.last, i + 1 == cells.size()) << int{plugged} << " press " << press;
        }
    }
}

TEST(DisplayStep, NoCellOutsideTheRow) {
    for (const auto& [plugged, cells] : kCycles) {
        const int32_t pastEnd = static_cast<int32_t>(cells.size()) + 1;
        for (int32_t press :
             {0, -1, pastEnd, 12, 100, std::numeric_limits<int32_t>::max(), std::numeric_limits<int32_t>::min()}) {
            EXPECT_FALSE(LookUpDisplayStep(plugged, press).hasCell) << int{plugged} << " press " << press;
        }
    }
}

TEST(DisplayStep, NoCellForSetsThatDoNotCycle) {
    for (uint8_t plugged : {0x00, 0x01, 0x07, 0x08, 0x10, 0x19, 0x1F, 0xFF}) {
        EXPECT_FALSE(LookUpDisplayStep(plugged, 1).hasCell) << int{plugged};
    }
}

TEST(DisplayStep, RowsAgreeWithOutputPicturesAndPluggedSet) {
    for (uint8_t plugged = 0x09; plugged <= 0x0F; ++plugged) {
        int lastCells = 0;
        for (int32_t press = 1; press <= 11; ++press) {
            const DisplayStep step = LookUpDisplayStep(plugged, press);
            if (!step.hasCell) {
                continue;
            }
            EXPECT_EQ(step.pictureId, DisplayOutputPictureId(step.output));
            EXPECT_NE(step.pictureId, 0);
            EXPECT_NE(step.output, 0) << int{plugged} << " press " << press;
            EXPECT_EQ(step.output & ~plugged, 0) << int{plugged} << " press " << press;
            if (step.last) {
                ++lastCells;
                EXPECT_FALSE(LookUpDisplayStep(plugged, press + 1).hasCell);
            }
        }
        EXPECT_EQ(LookUpDisplayStep(plugged, 1).output, DisplayOutput::kPanel) << int{plugged};
        EXPECT_EQ(lastCells, 1) << int{plugged};
    }
}

TEST(DisplayOutputPicture, KnownCodes) {
    const std::map<uint8_t, uint16_t> pictures = {
        {0x08, 183}, {0x01, 181}, {0x02, 187}, {0x04, 179}, {0x03, 180},
        {0x05, 182}, {0x06, 188}, {0x09, 185}, {0x0A, 186}, {0x0C, 184},
    };
    for (int output = 0; output <= 0xFF; ++output) {
        const auto found = pictures.find(static_cast<uint8_t>(output));
        const uint16_t expected = found == pictures.end() ? 0 : found->second;
        EXPECT_EQ(DisplayOutputPictureId(static_cast<uint8_t>(output)), expected) << output;
    }
}

// The press count and chosen output as the OSD keeps them between presses.
struct Cycle {
    int32_t pressCount = 0;
    uint8_t chosen = 0;
    DisplayPress Press(uint8_t plugged) { return AdvanceDisplayCycle(plugged, pressCount, chosen); }
};

std::vector<uint16_t> PressPictures(Cycle& cycle, uint8_t plugged, int presses) {
    std::vector<uint16_t> pictures;
    for (int i = 0; i < presses; ++i) {
        const DisplayPress press = cycle.Press(plugged);
        EXPECT_TRUE(press.show);
        EXPECT_TRUE(press.loadPicture);
        pictures.push_back(press.pictureId);
    }
    return pictures;
}

TEST(DisplayCycle, WrapsAfterTheLastCell) {
    Cycle cycle;
    EXPECT_EQ(PressPictures(cycle, 0x09, 4), (std::vector<uint16_t>{183, 185, 181, 183}));
    EXPECT_EQ(cycle.chosen, 0x08);
    EXPECT_EQ(cycle.pressCount, 1);
}

TEST(DisplayCycle, ChosenOutputFollowsEachPress) {
    Cycle cycle;
    const uint8_t expected[] = {0x08, 0x03, 0x01, 0x09, 0x0A, 0x02, 0x08};
    for (uint8_t output : expected) {
        cycle.Press(0x0B);
        EXPECT_EQ(cycle.chosen, output);
    }
}

TEST(DisplayCycle, FullSetShowsPanelTwiceAroundTheWrap) {
    Cycle cycle;
    const std::vector<uint16_t> pictures = PressPictures(cycle, 0x0F, 13);
    EXPECT_EQ(pictures[10], 183);
    EXPECT_EQ(pictures[11], 183);
    EXPECT_EQ(pictures[12], 188);
    EXPECT_EQ(cycle.chosen, 0x06);
}

TEST(DisplayCycle, ElevenPressesOfFullSetEndWithPanelAndResetCount) {
    Cycle cycle;
    PressPictures(cycle, 0x0F, 11);
    EXPECT_EQ(cycle.chosen, 0x08);
    EXPECT_EQ(cycle.pressCount, 0);
}

TEST(DisplayCycle, SetShrinkingPastItsRowChangesNothingUntilCommitted) {
    Cycle cycle;
    PressPictures(cycle, 0x0F, 5);
    ASSERT_EQ(cycle.chosen, 0x0A);

    // Press 6 of HDMI + panel has no step: the choice stays, the OSD shows it again.
    for (int32_t press = 6; press <= 8; ++press) {
        const DisplayPress step = cycle.Press(0x09);
        EXPECT_TRUE(step.show);
        EXPECT_FALSE(step.loadPicture);
        EXPECT_EQ(cycle.chosen, 0x0A);
        EXPECT_EQ(cycle.pressCount, press) << "the count is not reset";
    }
    // However long that goes on, the count stops at its largest value.
    cycle.pressCount = std::numeric_limits<int32_t>::max();
    EXPECT_FALSE(cycle.Press(0x09).loadPicture);
    EXPECT_EQ(cycle.pressCount, std::numeric_limits<int32_t>::max());
    cycle.pressCount = 0;  // what the commit does
    EXPECT_EQ(cycle.Press(0x09).pictureId, 183);
}

TEST(DisplayCycle, SetsThatDoNotCycleShowNothingAndResetCount) {
    for (uint8_t plugged : {0x00, 0x08, 0x10, 0x1F, 0xFF}) {
        Cycle cycle;
        PressPictures(cycle, 0x0F, 3);
        const DisplayPress step = cycle.Press(plugged);
        EXPECT_FALSE(step.show) << int{plugged};
        EXPECT_FALSE(step.loadPicture) << int{plugged};
        EXPECT_EQ(cycle.pressCount, 0) << int{plugged};
        EXPECT_EQ(cycle.chosen, 0x04) << "a pending commit keeps its choice";
        EXPECT_EQ(cycle.Press(0x0F).pictureId, 183) << int{plugged};
    }
}

TEST(DisplayCycle, EveryChosenOutputIsOneThePictureShows) {
    Cycle cycle;
    const uint8_t sets[] = {0x0F, 0x0F, 0x0F, 0x09, 0x0C, 0x0E, 0x0B, 0x0D, 0x0A, 0x0F};
    for (uint8_t plugged : sets) {
        const DisplayPress step = cycle.Press(plugged);
        if (step.loadPicture) {
            EXPECT_EQ(step.pictureId, DisplayOutputPictureId(cycle.chosen));
            EXPECT_EQ(cycle.chosen & ~plugged, 0) << "set " << int{plugged};
        }
    }
}

}  // namespace
