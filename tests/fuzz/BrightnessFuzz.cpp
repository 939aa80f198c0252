// Any eight levels the service reports and any current brightness: checking
// them is safe, the search lands within 0..8 and the index on a picture.
#include "FuzzInput.h"
#include "osd/BrightnessRules.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput in(data, size);
    int32_t levels[kBrightnessLevels];
    for (int32_t& level : levels) {
        level = in.Take<int32_t>();
    }
    for (int i = 0; i < kBrightnessLevels; ++i) {
        const LevelCheck check = CheckBrightnessLevel(levels, i);
        FUZZ_REQUIRE(check != LevelCheck::Passed || (levels[i] >= 0 && levels[i] <= kMaxBrightness));
    }
    const int32_t position = FirstLevelAtLeast(levels, in.Take<int32_t>());
    FUZZ_REQUIRE(position >= 0 && position <= kBrightnessLevels);
    const int32_t index = ClampBrightnessIndex(position);
    FUZZ_REQUIRE(index >= 0 && index < kBrightnessLevels);
    FUZZ_REQUIRE(g_nBrightnessUpImageId[index] != 0 && g_nBrightnessDownImageId[index] != 0);
    return 0;
}
