#include "osd/VolumeRules.h"

// Level 3 uses picture 207: its bitmap sits out of order among the resources.
const int32_t g_nVolumeImageId[kVolumeLevels] = {194, 196, 197, 207, 198, 199, 200, 201, 202, 203, 204};

void FillVolumeValues(int32_t (&values)[kVolumeLevels]) {
    for (int32_t level = 0; level < kVolumeLevels; ++level) {
        values[level] = kVolumeValuePerLevel * level;
    }
}

int32_t VolumeLevelFromValue(const int32_t (&values)[kVolumeLevels], int32_t v) {
    int32_t reached = 0;
    while (reached < kVolumeLevels && values[reached] <= v) {
        ++reached;
    }
    if (reached == 0) {
        return 0;
    }
    if (v >= values[kMaxVolumeLevel]) {
        return kMaxVolumeLevel;
    }
    return reached - 1;
}

int32_t StepVolumeLevel(int32_t level, bool up) {
    // Clamp first so a stray level can neither overflow nor escape the range.
    const int32_t current = level < 0 ? 0 : (level > kMaxVolumeLevel ? kMaxVolumeLevel : level);
    if (up) {
        return current < kMaxVolumeLevel ? current + 1 : kMaxVolumeLevel;
    }
    return current > 0 ? current - 1 : 0;
}

uint16_t MutePictureId(bool muted) { return muted ? kMutedPictureId : kUnmutedPictureId; }
