#include "osd/VolumeRules.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <map>
#include <set>
#include <vector>

namespace {

struct Values {
    int32_t v[kVolumeLevels];
    Values() { FillVolumeValues(v); }
};

TEST(VolumeValues, AreTenPerLevel) {
    const Values values;
    EXPECT_EQ(values.v[0], 0);
    EXPECT_EQ(values.v[1], 10);
    EXPECT_EQ(values.v[5], 50);
    EXPECT_EQ(values.v[10], 100);
}

struct LevelCase {
    int32_t value;
    int32_t level;
};

TEST(VolumeLevel, FromValueAtEveryBoundary) {
    const Values values;
    const std::vector<LevelCase> cases = {
        {std::numeric_limits<int32_t>::min(), 0},
        {-1, 0},
        {0, 0},
        {5, 0},
        {9, 0},
        {10, 1},
        {11, 1},
        {57, 5},
        {95, 9},
        {99, 9},
        {100, 10},
        {101, 10},
        {std::numeric_limits<int32_t>::max(), 10},
    };
    for (const LevelCase& c : cases) {
        EXPECT_EQ(VolumeLevelFromValue(values.v, c.value), c.level) << "value " << c.value;
    }
}

TEST(VolumeLevel, ComparesSignedValues) {
    const int32_t centred[kVolumeLevels] = {-50, -40, -30, -20, -10, 0, 10, 20, 30, 40, 50};
    EXPECT_EQ(VolumeLevelFromValue(centred, -60), 0);
    EXPECT_EQ(VolumeLevelFromValue(centred, -50), 0);
    EXPECT_EQ(VolumeLevelFromValue(centred, -1), 4);
    EXPECT_EQ(VolumeLevelFromValue(centred, 0), 5);
    EXPECT_EQ(VolumeLevelFromValue(centred, 49), 9);
    EXPECT_EQ(VolumeLevelFromValue(centred, 50), 10);
}

TEST(VolumeLevel, ReachingTopValueGivesTopLevelEvenIfEarlierValuesAreHigher) {
    const int32_t lowTop[kVolumeLevels] = {0, 10, 20, 30, 40, 50, 60, 70, 80, 90, 50};
    EXPECT_EQ(VolumeLevelFromValue(lowTop, 49), 4);
    EXPECT_EQ(VolumeLevelFromValue(lowTop, 50), 10);
    EXPECT_EQ(VolumeLevelFromValue(lowTop, 60), 10);
}

TEST(VolumeStep, MovesOneLevel) {
    EXPECT_EQ(StepVolumeLevel(5, true), 6);
    EXPECT_EQ(StepVolumeLevel(5, false), 4);
    EXPECT_EQ(StepVolumeLevel(0, true), 1);
    EXPECT_EQ(StepVolumeLevel(10, false), 9);
}

TEST(VolumeStep, ClampsAtTen) {
    EXPECT_EQ(StepVolumeLevel(10, true), 10);
    EXPECT_EQ(StepVolumeLevel(9, true), 10);
}

TEST(VolumeStep, FloorsAtZero) {
    EXPECT_EQ(StepVolumeLevel(0, false), 0);
    EXPECT_EQ(StepVolumeLevel(1, false), 0);
}

TEST(VolumeStep, StrayLevelStaysInRange) {
    const int32_t strays[] = {std::numeric_limits<int32_t>::min(), -3, 11, 12, std::numeric_limits<int32_t>::max()};
    for (int32_t level : strays) {
        for (bool up : {true, false}) {
            const int32_t next = StepVolumeLevel(level, up);
            EXPECT_GE(next, 0) << level << (up ? " up" : " down");
            EXPECT_LE(next, 10) << level << (up ? " up" : " down");
        }
    }
}

struct StepCase {
    int32_t fromValue;
    bool up;
    int32_t toValue;
};

TEST(VolumeStep, FromMixerValueToNextValue) {
    const Values values;
    const std::vector<StepCase> cases = {
        {0, true, 10},   {0, false, 0},   {5, true, 10},   {5, false, 0},    {57, true, 60},
        {57, false, 40}, {95, true, 100}, {95, false, 80}, {100, true, 100}, {100, false, 90},
    };
    for (const StepCase& c : cases) {
        const int32_t level = StepVolumeLevel(VolumeLevelFromValue(values.v, c.fromValue), c.up);
        EXPECT_EQ(values.v[level], c.toValue) << c.fromValue << (c.up ? " up" : " down");
    }
}

TEST(VolumePicture, ShowsAsManyBarsAsTheLevel) {
    // Bars drawn in each volume picture of the resources.
    const std::map<int32_t, int32_t> barsInPicture = {
        {194, 0}, {196, 1}, {197, 2}, {207, 3}, {198, 4}, {199, 5}, {200, 6}, {201, 7}, {202, 8}, {203, 9}, {204, 10},
    };
    for (int32_t level = 0; level < kVolumeLevels; ++level) {
        const auto found = barsInPicture.find(g_nVolumeImageId[level]);
        ASSERT_NE(found, barsInPicture.end()) << "level " << level;
        EXPECT_EQ(found->second, level) << "picture " << g_nVolumeImageId[level];
    }
}

TEST(VolumePicture, LevelThreeUsesTheOutOfOrderPicture) {
    EXPECT_EQ(g_nVolumeImageId[3], 207);
    EXPECT_EQ(g_nVolumeImageId[4], 198);
}

TEST(VolumePicture, EveryLevelHasItsOwnPicture) {
    const std::set<int32_t> distinct(g_nVolumeImageId, g_nVolumeImageId + kVolumeLevels);
    EXPECT_EQ(distinct.size(), static_cast<std::size_t>(kVolumeLevels));
}

TEST(MutePicture, DiffersForMutedAndAudible) {
    EXPECT_EQ(MutePictureId(true), 156);
    EXPECT_EQ(MutePictureId(false), 155);
}

}  // namespace
