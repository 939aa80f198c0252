#include "osd/BrightnessRules.h"

#include <gtest/gtest.h>

namespace {

const int32_t kLevels[kBrightnessLevels] = {5, 10, 20, 30, 45, 60, 80, 100};

TEST(BrightnessIndex, FirstLevelNotBelowTheCurrentBrightness) {
    const struct {
        int32_t current;
        int32_t position;
    } cases[] = {{45, 4}, {50, 5}, {0, 0}, {5, 0}, {6, 1}, {100, 7}, {101, 8}, {-3, 0}};
    for (const auto& c : cases) {
        EXPECT_EQ(FirstLevelAtLeast(kLevels, c.current), c.position) << c.current;
    }
    EXPECT_EQ(ClampBrightnessIndex(8), 7) << "above the highest level shows all bars";
    EXPECT_EQ(ClampBrightnessIndex(-1), 0);
}

TEST(BrightnessIndex, PicturesShowTheIndexOnBothScales) {
    EXPECT_EQ(g_nBrightnessUpImageId[4], 152);
    EXPECT_EQ(g_nBrightnessDownImageId[4], 144);
    EXPECT_EQ(g_nBrightnessUpImageId[7], 139) << "not 155, a speaker picture";
    EXPECT_EQ(g_nBrightnessDownImageId[7], 147);
    EXPECT_EQ(g_nBrightnessUpImageId[0], 148);
    EXPECT_EQ(g_nBrightnessDownImageId[0], 140);
}

TEST(BrightnessLevels, OutOfRangeOrNotRisingLevelsFail) {
    const int32_t repeated[kBrightnessLevels] = {0, 10, 10, 20, 30, 40, 50, 60};
    EXPECT_EQ(CheckBrightnessLevel(repeated, 0), LevelCheck::Passed);
    EXPECT_EQ(CheckBrightnessLevel(repeated, 1), LevelCheck::Passed);
    EXPECT_EQ(CheckBrightnessLevel(repeated, 2), LevelCheck::ValueInvalid);
    const int32_t tooBright[kBrightnessLevels] = {5, 10, 20, 30, 45, 60, 80, 101};
    EXPECT_EQ(CheckBrightnessLevel(tooBright, 7), LevelCheck::RangeInvalid);
    const int32_t negative[kBrightnessLevels] = {-1, 10, 20, 30, 45, 60, 80, 100};
    EXPECT_EQ(CheckBrightnessLevel(negative, 0), LevelCheck::RangeInvalid);
    const int32_t zeros[kBrightnessLevels] = {};
    EXPECT_EQ(CheckBrightnessLevel(zeros, 1), LevelCheck::ValueInvalid) << "levels never read";
}

}  // namespace
