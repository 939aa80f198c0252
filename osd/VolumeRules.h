#pragma once

#include <cstdint>

constexpr int kVolumeLevels = 11;
constexpr int32_t kMaxVolumeLevel = kVolumeLevels - 1;
constexpr int32_t kVolumeValuePerLevel = 10;

constexpr uint16_t kMutedPictureId = 156;
constexpr uint16_t kUnmutedPictureId = 155;

// Picture of the volume bar for each level; the picture for level L shows L bars.
extern const int32_t g_nVolumeImageId[kVolumeLevels];

// The mixer value that stands for each level.
void FillVolumeValues(int32_t (&values)[kVolumeLevels]);

// The level whose value the mixer value v has reached; reaching the top
// value always gives the top level.
int32_t VolumeLevelFromValue(const int32_t (&values)[kVolumeLevels], int32_t v);

// One step up or down, kept within 0..kMaxVolumeLevel.
int32_t StepVolumeLevel(int32_t level, bool up);

uint16_t MutePictureId(bool muted);
