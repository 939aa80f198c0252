#include "osd/WirelessRules.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace {

TEST(WirelessSwitch, OnWhenSwitchBitSet) {
    for (uint8_t ecByte : {uint8_t{0x10}, uint8_t{0xFF}, uint8_t{0x30}}) {
        EXPECT_TRUE(WirelessSwitchOn(ecByte)) << int{ecByte};
    }
}

TEST(WirelessSwitch, OffWhenSwitchBitClear) {
    for (uint8_t ecByte : {uint8_t{0x00}, uint8_t{0xEF}, uint8_t{0x01}}) {
        EXPECT_FALSE(WirelessSwitchOn(ecByte)) << int{ecByte};
    }
}

TEST(WirelessPicture, FollowsTheSwitch) {
    EXPECT_EQ(WirelessPictureId(true), 157);
    EXPECT_EQ(WirelessPictureId(false), 158);
    EXPECT_EQ(WirelessPictureId(WirelessSwitchOn(0x10)), 157);
    EXPECT_EQ(WirelessPictureId(WirelessSwitchOn(0xEF)), 158);
}

}  // namespace
