#include "SimTestSupport.h"

namespace {

using sim::Fault;
using sim::Function;
using sim_test::Lines;

// A machine of this process's own, inherited by the tool it starts: ctest
// runs test processes side by side, and a developer may be using the default.
class SimNotebook : public testing::Environment {
public:
    void SetUp() override {
        m_instance = L"sim-tests-" + std::to_wstring(GetCurrentProcessId());
        SetEnvironmentVariableW(L"VASK_NOTEBOOK", m_instance.c_str());
    }
    void TearDown() override { sim::Notebook(m_instance).Discard(); }

private:
    std::wstring m_instance;
};
const testing::Environment* const kNotebook = testing::AddGlobalTestEnvironment(new SimNotebook);

const uint8_t kEnter = HOTKEY_MODE_ENTER;
const uint8_t kLeave = HOTKEY_MODE_LEAVE;

int32_t ReadEc(uint8_t reg, uint8_t* out) { return KervoEvaluate(EC_READ_COMMAND, &reg, 1, out, 1); }

class KervoHotkeyMode : public sim_test::NotebookTest {};

TEST_F(KervoHotkeyMode, EnterAndLeaveAreRecordedInTheState) {
    EXPECT_NE(KervoEvaluate(HOTKEY_MODE_COMMAND, &kEnter, 1, nullptr, 0), 0);
    EXPECT_EQ(State().hotkeyMode, 1);
    EXPECT_NE(KervoEvaluate(HOTKEY_MODE_COMMAND, &kLeave, 1, nullptr, 0), 0);
    EXPECT_EQ(State().hotkeyMode, 0);
    EXPECT_EQ(Log(),
              (Lines{"KervoEvaluate(0x59, [90], 1, null, 0) -> 1", "KervoEvaluate(0x59, [91], 1, null, 0) -> 1"}));
}

TEST_F(KervoHotkeyMode, UnknownDataByteFailsAndLeavesTheMode) {
    ASSERT_NE(KervoEvaluate(HOTKEY_MODE_COMMAND, &kEnter, 1, nullptr, 0), 0);
    for (uint8_t data : {0x00, 0x8F, 0x92, 0xFF}) {
        EXPECT_EQ(KervoEvaluate(HOTKEY_MODE_COMMAND, &data, 1, nullptr, 0), 0) << int{data};
    }
    EXPECT_EQ(State().hotkeyMode, 1);
    EXPECT_EQ(Log().back(), "KervoEvaluate(0x59, [ff], 1, null, 0) -> 0");
}

TEST_F(KervoHotkeyMode, OnlyTheLowByteOfTheCommandSlotCounts) {
    EXPECT_NE(KervoEvaluate(0xABCD0059u, &kEnter, 1, nullptr, 0), 0);
    EXPECT_EQ(State().hotkeyMode, 1);
    // The log keeps what the caller really passed.
    EXPECT_EQ(Log(), Lines{"KervoEvaluate(0xabcd0059, [90], 1, null, 0) -> 1"});
}

class KervoEcRead : public sim_test::NotebookTest {};

TEST_F(KervoEcRead, WirelessRegisterHoldsTheSwitchBitByDefault) {
    uint8_t out = 0;
    EXPECT_NE(ReadEc(EC_WIRELESS_REGISTER, &out), 0);
    EXPECT_EQ(out, 0x10);
    EXPECT_EQ(Log(), Lines{"KervoEvaluate(0xb0, [bb], 1, out, 1) -> 1 out=[10]"});
}

TEST_F(KervoEcRead, EveryRegisterReadsWhatTheStateHolds) {
    ASSERT_TRUE(nb.Modify([](sim::State& s) {
        for (int r = 0; r < 256; ++r) {
            s.ec[r] = static_cast<uint8_t>(r ^ 0xA5);
        }
    }));
    for (int r = 0; r < 256; ++r) {
        uint8_t out = static_cast<uint8_t>(r);  // anything but the answer
        ASSERT_NE(ReadEc(static_cast<uint8_t>(r), &out), 0) << r;
        EXPECT_EQ(out, r ^ 0xA5) << r;
    }
}

class KervoBadInput : public sim_test::NotebookTest {};

TEST_F(KervoBadInput, UnknownCommandFailsIsLoggedAndWritesNothing) {
    const uint8_t reg = EC_WIRELESS_REGISTER;
    for (uint32_t command : {0x00u, 0x42u, 0x58u, 0xB1u, 0xFFu}) {
        uint8_t out = 0xFF;
        EXPECT_EQ(KervoEvaluate(command, &reg, 1, &out, 1), 0) << command;
        EXPECT_EQ(out, 0xFF) << command;
    }
    EXPECT_EQ(Log().size(), 5u);
    EXPECT_EQ(Log()[1], "KervoEvaluate(0x42, [bb], 1, out, 1) -> 0");
}

TEST_F(KervoBadInput, WrongLengthsAndNullPointersFail) {
    const uint8_t two[2] = {EC_WIRELESS_REGISTER, 0x00};
    uint8_t out[2] = {0xFF, 0xFF};
    EXPECT_EQ(KervoEvaluate(EC_READ_COMMAND, two, 0, out, 1), 0);
    EXPECT_EQ(KervoEvaluate(EC_READ_COMMAND, two, 2, out, 1), 0);
    EXPECT_EQ(KervoEvaluate(EC_READ_COMMAND, two, 1, out, 0), 0);
    EXPECT_EQ(KervoEvaluate(EC_READ_COMMAND, two, 1, out, 2), 0);
    EXPECT_EQ(KervoEvaluate(EC_READ_COMMAND, two, 1, nullptr, 1), 0);
    EXPECT_EQ(KervoEvaluate(EC_READ_COMMAND, nullptr, 1, out, 1), 0);
    EXPECT_EQ(KervoEvaluate(HOTKEY_MODE_COMMAND, nullptr, 1, nullptr, 0), 0);
    const uint8_t enterPlus[2] = {HOTKEY_MODE_ENTER, 0x00};
    EXPECT_EQ(KervoEvaluate(HOTKEY_MODE_COMMAND, enterPlus, 2, nullptr, 0), 0);
    EXPECT_EQ(out[0], 0xFF);
    EXPECT_EQ(out[1], 0xFF);
    EXPECT_EQ(State().hotkeyMode, 0);
    EXPECT_EQ(Log(), (Lines{
                         "KervoEvaluate(0xb0, [], 0, out, 1) -> 0",
                         "KervoEvaluate(0xb0, [bb 00], 2, out, 1) -> 0",
                         "KervoEvaluate(0xb0, [bb], 1, out, 0) -> 0",
                         "KervoEvaluate(0xb0, [bb], 1, out, 2) -> 0",
                         "KervoEvaluate(0xb0, [bb], 1, null, 1) -> 0",
                         "KervoEvaluate(0xb0, null, 1, out, 1) -> 0",
                         "KervoEvaluate(0x59, null, 1, null, 0) -> 0",
                         "KervoEvaluate(0x59, [90 00], 2, null, 0) -> 0",
                     }));
}

class KervoFaults : public sim_test::NotebookTest {};

TEST_F(KervoFaults, RefuseAnswersZeroChangesNothingWritesNothing) {
    SetFault(Function::KervoEvaluate, Fault::Refuse);
    uint8_t out = 0xFF;
    EXPECT_EQ(ReadEc(EC_WIRELESS_REGISTER, &out), 0);
    EXPECT_EQ(out, 0xFF);
    EXPECT_EQ(KervoEvaluate(HOTKEY_MODE_COMMAND, &kEnter, 1, nullptr, 0), 0);
    EXPECT_EQ(State().hotkeyMode, 0);
    EXPECT_EQ(Log(),
              (Lines{"KervoEvaluate(0xb0, [bb], 1, out, 1) -> 0", "KervoEvaluate(0x59, [90], 1, null, 0) -> 0"}));
}

// A controller that refuses hotkey mode twice and still answers register
// reads: the switch takes only its command byte, and ends by itself.
TEST_F(KervoFaults, RefuseCanTakeOneCommandByteForACountOfCalls) {
    ASSERT_TRUE(nb.SetFault(Function::KervoEvaluate, Fault::Refuse, std::nullopt, {HOTKEY_MODE_COMMAND, 2}));
    uint8_t out = 0;
    for (int i = 0; i < 3; ++i) {
        EXPECT_NE(ReadEc(EC_WIRELESS_REGISTER, &out), 0) << i;
        EXPECT_EQ(KervoEvaluate(HOTKEY_MODE_COMMAND, &kEnter, 1, nullptr, 0), i < 2 ? 0 : 1) << i;
    }
    EXPECT_EQ(State().hotkeyMode, 1);
    EXPECT_EQ(State().faults[static_cast<int>(Function::KervoEvaluate)].fault, static_cast<uint8_t>(Fault::None));
    EXPECT_EQ(nb.ReadCallTotals()->faults[static_cast<int>(Function::KervoEvaluate)], 2u) << "faults taken";
    EXPECT_FALSE(nb.SetFault(Function::GetMuteVista, Fault::Refuse, std::nullopt, {HOTKEY_MODE_COMMAND, 0}));
    EXPECT_FALSE(nb.SetFault(Function::KervoEvaluate, Fault::None, std::nullopt, {std::nullopt, 3}));
}

TEST_F(KervoFaults, NoWriteReportsSuccessButKeepsThePresetAndTheMode) {
    SetFault(Function::KervoEvaluate, Fault::NoWrite);
    uint8_t out = 0xFF;
    EXPECT_NE(ReadEc(EC_WIRELESS_REGISTER, &out), 0);
    EXPECT_EQ(out, 0xFF);
    EXPECT_NE(KervoEvaluate(HOTKEY_MODE_COMMAND, &kEnter, 1, nullptr, 0), 0);
    EXPECT_EQ(State().hotkeyMode, 0);
    // No out= part: the byte was not written.
    EXPECT_EQ(Log()[0], "KervoEvaluate(0xb0, [bb], 1, out, 1) -> 1");
}

TEST_F(KervoFaults, RangeAnswersTheChosenByteAndModeStillWorks) {
    SetFault(Function::KervoEvaluate, Fault::Range);
    uint8_t out = 0;
    EXPECT_NE(ReadEc(0x00, &out), 0);
    EXPECT_EQ(out, 0xFF);
    SetFault(Function::KervoEvaluate, Fault::Range, 0xEF);
    EXPECT_NE(ReadEc(EC_WIRELESS_REGISTER, &out), 0);
    EXPECT_EQ(out, 0xEF);
    EXPECT_NE(KervoEvaluate(HOTKEY_MODE_COMMAND, &kEnter, 1, nullptr, 0), 0);
    EXPECT_EQ(State().hotkeyMode, 1);
    EXPECT_EQ(Log()[1], "KervoEvaluate(0xb0, [bb], 1, out, 1) -> 1 out=[ef]");
}

TEST_F(KervoFaults, BadInputFailsWhateverTheSwitchSays) {
    for (Fault f : {Fault::NoWrite, Fault::Range}) {
        SetFault(Function::KervoEvaluate, f);
        const uint8_t reg = 0xBB;
        uint8_t out = 0x5A;
        EXPECT_EQ(KervoEvaluate(0x42, &reg, 1, &out, 1), 0);
        EXPECT_EQ(KervoEvaluate(EC_READ_COMMAND, &reg, 1, &out, 2), 0);
        EXPECT_EQ(out, 0x5A);
    }
}

}  // namespace
