#include "SimTestSupport.h"

namespace {

using sim::Fault;
using sim::Function;
using sim_test::Lines;

class Volume : public sim_test::NotebookTest {};

TEST_F(Volume, SetThenGetRoundTripsAcrossTheWholeRange) {
    for (int32_t v : {0, 1, 37, 99, 100}) {
        EXPECT_NE(SetVolumnVista(v), 0) << v;
        EXPECT_EQ(GetVolumnVista(), v);
        EXPECT_EQ(State().volume, v);
    }
    EXPECT_EQ(Log()[0], "SetVolumnVista(0) -> 1");
    EXPECT_EQ(Log()[1], "GetVolumnVista() -> 0");
}

TEST_F(Volume, ValuesOutsideZeroToHundredAreRefused) {
    ASSERT_NE(SetVolumnVista(60), 0);
    for (int32_t v : {-1, 101, 250, INT32_MIN, INT32_MAX}) {
        EXPECT_EQ(SetVolumnVista(v), 0) << v;
    }
    EXPECT_EQ(State().volume, 60);
    EXPECT_EQ(Log()[2], "SetVolumnVista(101) -> 0");
}

TEST_F(Volume, GetterFaultsRefuseOrAnswerOutOfRange) {
    ASSERT_NE(SetVolumnVista(60), 0);
    SetFault(Function::GetVolumnVista, Fault::Refuse);
    EXPECT_EQ(GetVolumnVista(), 0);
    SetFault(Function::GetVolumnVista, Fault::Range);
    EXPECT_EQ(GetVolumnVista(), 250);
    SetFault(Function::GetVolumnVista, Fault::Range, -5);
    EXPECT_EQ(GetVolumnVista(), -5);
    SetFault(Function::GetVolumnVista, Fault::None);
    EXPECT_EQ(GetVolumnVista(), 60);
}

TEST_F(Volume, SetterFaultsLeaveTheVolume) {
    SetFault(Function::SetVolumnVista, Fault::Refuse);
    EXPECT_EQ(SetVolumnVista(70), 0);
    SetFault(Function::SetVolumnVista, Fault::NoWrite);
    EXPECT_NE(SetVolumnVista(70), 0);
    EXPECT_EQ(State().volume, sim::DefaultState().volume);
    EXPECT_EQ(Log(), (Lines{"SetVolumnVista(70) -> 0", "SetVolumnVista(70) -> 1"}));
}

class Mute : public sim_test::NotebookTest {};

TEST_F(Mute, AnyNonZeroMutesAndZeroUnmutes) {
    EXPECT_NE(SetMuteVista(1), 0);
    EXPECT_EQ(GetMuteVista(), 1);
    EXPECT_NE(SetMuteVista(0), 0);
    EXPECT_EQ(GetMuteVista(), 0);
    EXPECT_NE(SetMuteVista(7), 0);
    EXPECT_EQ(GetMuteVista(), 1);
    EXPECT_EQ(State().muted, 1);
    EXPECT_EQ(Log()[4], "SetMuteVista(7) -> 1");
}

TEST_F(Mute, FaultsRefuseIgnoreOrAnswerOutOfRange) {
    SetFault(Function::SetMuteVista, Fault::NoWrite);
    EXPECT_NE(SetMuteVista(1), 0);
    EXPECT_EQ(GetMuteVista(), 0);
    SetFault(Function::SetMuteVista, Fault::Refuse);
    EXPECT_EQ(SetMuteVista(1), 0);
    EXPECT_EQ(State().muted, 0);
    SetFault(Function::GetMuteVista, Fault::Range);
    EXPECT_EQ(GetMuteVista(), 2);
    SetFault(Function::GetMuteVista, Fault::Range, -1);
    EXPECT_EQ(GetMuteVista(), -1);
}

class Brightness : public sim_test::NotebookTest {};

TEST_F(Brightness, EachLevelAndTheCurrentValueComeFromTheState) {
    const int32_t levels[8] = {3, 9, 18, 27, 40, 55, 75, 96};
    ASSERT_TRUE(nb.Modify([&](sim::State& s) {
        std::copy(std::begin(levels), std::end(levels), s.brightnessLevels);
        s.brightness = 55;
    }));
    for (int32_t i = 0; i < 8; ++i) {
        EXPECT_EQ(WMI_GetBrightnessSetVista(i), levels[i]) << i;
    }
    EXPECT_EQ(WMI_GetBrightnessVista(), 55);
    EXPECT_EQ(Log()[3], "WMI_GetBrightnessSetVista(3) -> 27");
    EXPECT_EQ(Log()[8], "WMI_GetBrightnessVista() -> 55");
}

TEST_F(Brightness, LevelIndexOutsideZeroToSevenIsRefusedNegative) {
    for (int32_t i : {-1, 8, 100, INT32_MIN}) {
        EXPECT_LT(WMI_GetBrightnessSetVista(i), 0) << i;
    }
    EXPECT_EQ(Log()[1], "WMI_GetBrightnessSetVista(8) -> -1");
}

TEST_F(Brightness, FaultsRefuseNegativeOrAnswerAboveHundred) {
    SetFault(Function::WMI_GetBrightnessVista, Fault::Refuse);
    SetFault(Function::WMI_GetBrightnessSetVista, Fault::Refuse);
    EXPECT_LT(WMI_GetBrightnessVista(), 0);
    EXPECT_LT(WMI_GetBrightnessSetVista(2), 0);
    SetFault(Function::WMI_GetBrightnessVista, Fault::Range);
    SetFault(Function::WMI_GetBrightnessSetVista, Fault::Range, 200);
    EXPECT_EQ(WMI_GetBrightnessVista(), 150);
    EXPECT_EQ(WMI_GetBrightnessSetVista(2), 200);
    // A bad index stays a refusal under range.
    EXPECT_LT(WMI_GetBrightnessSetVista(9), 0);
}

class FaultSwitches : public sim_test::NotebookTest {};

TEST_F(FaultSwitches, CombinationsThatMeanNothingAreRejected) {
    // Getters answer through the return value: nothing to leave unwritten.
    for (Function f : {Function::GetMuteVista, Function::GetVolumnVista, Function::WMI_GetBrightnessVista,
                       Function::WMI_GetBrightnessSetVista}) {
        EXPECT_FALSE(nb.SetFault(f, Fault::NoWrite)) << sim::Info(f).name;
        EXPECT_NE(nb.LastError().find("nowrite"), std::string::npos);
    }
    // Setters and ControlMethod answer no value to put out of range.
    for (Function f : {Function::SetMuteVista, Function::SetVolumnVista, Function::ControlMethod}) {
        EXPECT_FALSE(nb.SetFault(f, Fault::Range)) << sim::Info(f).name;
    }
    // Range answers must really lie outside the documented range.
    EXPECT_FALSE(nb.SetFault(Function::GetVolumnVista, Fault::Range, 50));
    EXPECT_FALSE(nb.SetFault(Function::GetMuteVista, Fault::Range, 1));
    EXPECT_FALSE(nb.SetFault(Function::WMI_GetBrightnessVista, Fault::Range, -3));
    EXPECT_FALSE(nb.SetFault(Function::ACPIEvalMethodEx, Fault::Range, 0x0F));
    EXPECT_FALSE(nb.SetFault(Function::KervoEvaluate, Fault::Range, 0x100));
    EXPECT_FALSE(nb.SetFault(Function::GetBatteryChargingDisable, Fault::Range, 0));
    EXPECT_FALSE(nb.SetFault(Function::GetVolumnVista, Fault::Refuse, 250));
    // None of that reached the machine.
    for (const sim::FaultSwitch& fs : State().faults) {
        EXPECT_EQ(fs.fault, static_cast<uint8_t>(Fault::None));
    }
}

}  // namespace
