#include "SimTestSupport.h"

namespace {

using sim::Fault;
using sim::Function;
using sim_test::Lines;

class ChargingFlag : public sim_test::NotebookTest {};

TEST_F(ChargingFlag, WritesTheBiosFlagAsZeroOrOne) {
    // A preset that neither answer could be, so a missing write shows.
    int32_t disabled = -7;
    EXPECT_NE(GetBatteryChargingDisable(&disabled), 0);
    EXPECT_EQ(disabled, 0);
    ASSERT_TRUE(nb.Modify([](sim::State& s) { s.chargingDisabled = 1; }));
    EXPECT_NE(GetBatteryChargingDisable(&disabled), 0);
    EXPECT_EQ(disabled, 1);
    EXPECT_EQ(Log(), (Lines{"GetBatteryChargingDisable(out) -> 1 out=0", "GetBatteryChargingDisable(out) -> 1 out=1"}));
}

TEST_F(ChargingFlag, RefuseAndNoWriteKeepThePreset) {
    int32_t disabled = -7;
    SetFault(Function::GetBatteryChargingDisable, Fault::Refuse);
    EXPECT_EQ(GetBatteryChargingDisable(&disabled), 0);
    EXPECT_EQ(disabled, -7);
    SetFault(Function::GetBatteryChargingDisable, Fault::NoWrite);
    EXPECT_NE(GetBatteryChargingDisable(&disabled), 0);
    EXPECT_EQ(disabled, -7);
    EXPECT_EQ(Log(), (Lines{"GetBatteryChargingDisable(out) -> 0", "GetBatteryChargingDisable(out) -> 1"}));
}

TEST_F(ChargingFlag, RangeWritesAValueOtherThanZeroOrOne) {
    int32_t disabled = 0;
    SetFault(Function::GetBatteryChargingDisable, Fault::Range);
    EXPECT_NE(GetBatteryChargingDisable(&disabled), 0);
    EXPECT_EQ(disabled, 2);
    SetFault(Function::GetBatteryChargingDisable, Fault::Range, -1);
    EXPECT_NE(GetBatteryChargingDisable(&disabled), 0);
    EXPECT_EQ(disabled, -1);
    EXPECT_EQ(Log()[1], "GetBatteryChargingDisable(out) -> 1 out=-1");
}

TEST_F(ChargingFlag, NullPointerFailsAndIsLogged) {
    EXPECT_EQ(GetBatteryChargingDisable(nullptr), 0);
    SetFault(Function::GetBatteryChargingDisable, Fault::NoWrite);
    EXPECT_EQ(GetBatteryChargingDisable(nullptr), 0);
    EXPECT_EQ(Log(), (Lines{"GetBatteryChargingDisable(null) -> 0", "GetBatteryChargingDisable(null) -> 0"}));
}

}  // namespace
