#pragma once
// Which picture shows the battery's charge, and what the power service's
// charge byte means.

#include <cstdint>

// Bitmap 164 + k shows a battery with k of its ten bars lit.
constexpr uint16_t kBatteryEmptyBitmap = 164;
constexpr uint16_t kBatteryFullBitmap = 174;
// The battery flag of a machine without a system battery.
constexpr uint32_t kNoSystemBattery = 128;

// The bitmap for a charge of 0..100 percent: bands of nine values that end on
// a multiple of nine, the first (0-9) and the last (91-100) of ten.
uint16_t BatteryBitmapId(int32_t charge);

// The charge the power service's BatteryLifePercent stands for: 0..100 as it
// is; 255 (unknown) and anything else above 100 count as 0, since no band
// shows them.
int32_t ChargeFromLifePercent(uint8_t lifePercent);
