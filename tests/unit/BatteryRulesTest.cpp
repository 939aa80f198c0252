#include "osd/BatteryRules.h"

#include <gtest/gtest.h>

TEST(BatteryBitmap, EveryBandEdgeShowsItsBars) {
    // {charge, bitmap}: both ends of every band.
    const int32_t cases[][2] = {{0, 164},  {9, 164},  {10, 165}, {18, 165}, {19, 166}, {27, 166}, {28, 167}, {36, 167},
                                {37, 168}, {45, 168}, {46, 169}, {54, 169}, {55, 170}, {63, 170}, {64, 171}, {72, 171},
                                {73, 172}, {81, 172}, {82, 173}, {90, 173}, {91, 174}, {99, 174}, {100, 174}};
    for (const auto& c : cases) {
        EXPECT_EQ(BatteryBitmapId(c[0]), c[1]) << "charge " << c[0];
    }
}

TEST(BatteryBitmap, NoChargeNamesAPictureOutsideTheBattery) {
    for (int32_t charge = -5; charge <= 300; ++charge) {
        const uint16_t id = BatteryBitmapId(charge);
        EXPECT_GE(id, kBatteryEmptyBitmap) << charge;
        EXPECT_LE(id, kBatteryFullBitmap) << charge;
    }
}

TEST(BatteryCharge, UnknownAndImpossibleChargesCountAsNone) {
    EXPECT_EQ(ChargeFromLifePercent(0), 0);
    EXPECT_EQ(ChargeFromLifePercent(57), 57);
    EXPECT_EQ(ChargeFromLifePercent(100), 100);
    EXPECT_EQ(ChargeFromLifePercent(101), 0);
    EXPECT_EQ(ChargeFromLifePercent(254), 0);
    EXPECT_EQ(ChargeFromLifePercent(255), 0);
}
