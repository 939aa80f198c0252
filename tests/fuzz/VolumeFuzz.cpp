// Any mixer value and any run of steps: the level stays on the bar, moves at
// most one place a step, and the value written back is ten times the level.
#include "FuzzInput.h"
#include "osd/VolumeRules.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput in(data, size);
    int32_t values[kVolumeLevels];
    FillVolumeValues(values);
    int32_t level = VolumeLevelFromValue(values, in.Take<int32_t>());
    FUZZ_REQUIRE(level >= 0 && level <= kMaxVolumeLevel);
    while (!in.Empty()) {
        const bool up = (in.Take<uint8_t>() & 1) != 0;
        const int32_t next = StepVolumeLevel(level, up);
        FUZZ_REQUIRE(next >= 0 && next <= kMaxVolumeLevel);
        FUZZ_REQUIRE(next - level <= 1 && level - next <= 1);
        FUZZ_REQUIRE(VolumeLevelFromValue(values, next * kVolumeValuePerLevel) == next);
        level = next;
    }
    return 0;
}
