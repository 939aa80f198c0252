#pragma once
// Where the current brightness stands among the eight levels the brightness
// service reports, and which picture shows it.

#include <cstdint>

constexpr int kBrightnessLevels = 8;
constexpr int32_t kMaxBrightness = 100;

// Pictures with `index` of their seven bars lit: dimmer for the down key,
// brighter for the up key. The brighter picture with all seven lit is 139.
extern const uint16_t g_nBrightnessDownImageId[kBrightnessLevels];
extern const uint16_t g_nBrightnessUpImageId[kBrightnessLevels];

enum class LevelCheck { Passed, RangeInvalid, ValueInvalid };

// Level i on its own (0..100) and against the one before it (strictly rising).
LevelCheck CheckBrightnessLevel(const int32_t (&levels)[kBrightnessLevels], int i);

// Position of the first level at least `current`: 0..7, or 8 when none is.
int32_t FirstLevelAtLeast(const int32_t (&levels)[kBrightnessLevels], int32_t current);

// A search position as a brightness index: 0..7.
constexpr int32_t ClampBrightnessIndex(int32_t position) {
    return position < 0 ? 0 : (position > kBrightnessLevels - 1 ? kBrightnessLevels - 1 : position);
}
