#include "osd/BrightnessRules.h"

const uint16_t g_nBrightnessDownImageId[kBrightnessLevels] = {140, 141, 142, 143, 144, 145, 146, 147};
const uint16_t g_nBrightnessUpImageId[kBrightnessLevels] = {148, 149, 150, 151, 152, 153, 154, 139};

LevelCheck CheckBrightnessLevel(const int32_t (&levels)[kBrightnessLevels], int i) {
    if (levels[i] > kMaxBrightness || levels[i] < 0) {
        return LevelCheck::RangeInvalid;
    }
    if (i > 0 && levels[i] <= levels[i - 1]) {
        return LevelCheck::ValueInvalid;
    }
    return LevelCheck::Passed;
}

int32_t FirstLevelAtLeast(const int32_t (&levels)[kBrightnessLevels], int32_t current) {
    int32_t position = 0;
    while (position < kBrightnessLevels && levels[position] < current) {
        ++position;
    }
    return position;
}
