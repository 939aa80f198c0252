#include "osd/BatteryRules.h"

namespace {
constexpr int32_t kFullCharge = 100;
constexpr int32_t kBandWidth = 9;
}  // namespace

uint16_t BatteryBitmapId(int32_t charge) {
    if (charge >= kFullCharge) {
        return kBatteryFullBitmap;
    }
    if (charge <= 0) {
        return kBatteryEmptyBitmap;
    }
    const int32_t band = charge / kBandWidth;
    const bool endsBand = charge % kBandWidth == 0;
    return static_cast<uint16_t>(kBatteryEmptyBitmap + band - (endsBand ? 1 : 0));
}

int32_t ChargeFromLifePercent(uint8_t lifePercent) { return lifePercent <= kFullCharge ? lifePercent : 0; }
