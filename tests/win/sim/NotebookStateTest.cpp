#include "SimTestSupport.h"

#include "framework/Handles.h"
#include "sim/Fields.h"

#include <cstring>

namespace {

using sim::Fault;
using sim::Function;

bool SameState(const sim::State& a, const sim::State& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

class MachineState : public sim_test::NotebookTest {};

TEST_F(MachineState, FreshMachineIsAPlausibleNotebook) {
    const sim::State s = State();
    EXPECT_TRUE(SameState(s, sim::DefaultState()));
    for (int i = 0; i < sim::kBrightnessLevelCount; ++i) {
        EXPECT_GE(s.brightnessLevels[i], 0);
        EXPECT_LE(s.brightnessLevels[i], 100);
        if (i) {
            EXPECT_GT(s.brightnessLevels[i], s.brightnessLevels[i - 1]);
        }
    }
    EXPECT_TRUE(s.ec[0xBB] & 0x10);
    EXPECT_TRUE(s.connectedOutputs & sim::kOutputPanel);
    EXPECT_EQ(s.activeOutputs & ~s.connectedOutputs, 0u);
    EXPECT_GE(s.volume, 0);
    EXPECT_LE(s.volume, 100);
    for (const sim::FaultSwitch& fs : s.faults) {
        EXPECT_EQ(fs.fault, static_cast<uint8_t>(Fault::None));
    }
    EXPECT_TRUE(Log().empty());
}

TEST_F(MachineState, ResetUndoesStateFaultsAndLog) {
    ASSERT_TRUE(nb.Modify([](sim::State& s) {
        s.volume = 3;
        s.ec[0x10] = 0x77;
        s.sgfcRequests = 9;
    }));
    SetFault(Function::GetVolumnVista, Fault::Range, 300);
    GetVolumnVista();
    ASSERT_TRUE(nb.Reset());
    EXPECT_TRUE(SameState(State(), sim::DefaultState()));
    EXPECT_TRUE(Log().empty());
    EXPECT_EQ(GetVolumnVista(), sim::DefaultState().volume);
}

TEST_F(MachineState, StaleLayoutIsStartedAfresh) {
    ASSERT_TRUE(nb.Modify([](sim::State& s) { s.volume = 3; }));
    const UniqueKernelHandle mapping(OpenFileMappingW(FILE_MAP_WRITE, FALSE, nb.MappingName().c_str()));
    ASSERT_TRUE(mapping);
    const UniqueMappedView<uint32_t> view(
        static_cast<uint32_t*>(MapViewOfFile(mapping.get(), FILE_MAP_WRITE, 0, 0, 16)));
    ASSERT_TRUE(view);
    uint32_t* const header = view.get();
    for (int word : {0, 1, 2}) {  // magic, version, size
        const uint32_t saved = header[word];
        header[word] ^= 0x5A5A;
        EXPECT_TRUE(SameState(State(), sim::DefaultState())) << "header word " << word;
        EXPECT_EQ(header[word], saved);
        ASSERT_TRUE(nb.Modify([](sim::State& s) { s.volume = 3; }));
    }
}

TEST_F(MachineState, TwoHandlesInOneProcessShareTheMachine) {
    sim::Notebook second;
    ASSERT_TRUE(nb.Modify([](sim::State& s) { s.volume = 12; }));
    ASSERT_TRUE(second.ReadState());
    EXPECT_EQ(second.ReadState()->volume, 12);
    // And the stand-ins use the same one.
    EXPECT_EQ(GetVolumnVista(), 12);
}

TEST_F(MachineState, AnotherInstanceIsAnotherMachine) {
    sim::Notebook other(L"sim-tests-other");
    ASSERT_TRUE(other.Reset()) << other.LastError();
    ASSERT_TRUE(other.Modify([](sim::State& s) { s.volume = 99; }));
    EXPECT_EQ(State().volume, sim::DefaultState().volume);
    EXPECT_EQ(other.ReadState()->volume, 99);
    EXPECT_NE(other.MappingName(), nb.MappingName());
    EXPECT_EQ(sim::Notebook(L"a\\b c/d").Instance(), L"a_b_c_d");
    EXPECT_TRUE(other.Discard());
}

TEST_F(MachineState, DiscardedMachineLeavesNoFileAndComesBackFresh) {
    sim::Notebook once(L"sim-tests-discard");
    ASSERT_TRUE(once.Modify([](sim::State& s) { s.volume = 1; })) << once.LastError();
    const std::wstring file = once.BackingFile();
    EXPECT_NE(GetFileAttributesW(file.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(once.Discard()) << once.LastError();
    EXPECT_EQ(GetFileAttributesW(file.c_str()), INVALID_FILE_ATTRIBUTES);
    // Nobody else held it, so it starts over as a fresh machine.
    ASSERT_TRUE(once.ReadState());
    EXPECT_EQ(once.ReadState()->volume, sim::DefaultState().volume);
    EXPECT_TRUE(once.Discard());
    EXPECT_TRUE(once.Discard());  // nothing left to delete is no failure
}

TEST(IntegerText, DecimalAndHexAreReadExactly) {
    const struct {
        const char* text;
        int64_t value;
    } good[] = {{"0", 0},
                {"60", 60},
                {"-5", -5},
                {"+7", 7},
                {"0x3c", 60},
                {"0X3C", 60},
                {"-0x10", -16},
                {"0xff", 255},
                {"9223372036854775807", INT64_MAX},
                {"-9223372036854775808", INT64_MIN}};
    for (const auto& g : good) {
        EXPECT_EQ(sim::ParseInteger(g.text), std::optional<int64_t>(g.value)) << g.text;
    }
    for (const char* bad : {"", "-", "+", "0x", "12abc", "1.5", " 1", "1 ", "--1", "0x1g", "9223372036854775808",
                            "0x8000000000000000", "ten"}) {
        EXPECT_EQ(sim::ParseInteger(bad), std::nullopt) << bad;
    }
}

TEST(FieldTable, OutOfRangeValuesAreRejectedAndChangeNothing) {
    sim::State s = sim::DefaultState();
    const sim::State before = s;
    EXPECT_NE(sim::SetField(s, *sim::FieldByName("volume"), 0, 101), "");
    EXPECT_NE(sim::SetField(s, *sim::FieldByName("volume"), 0, -1), "");
    EXPECT_NE(sim::SetField(s, *sim::FieldByName("mute"), 0, 2), "");
    EXPECT_NE(sim::SetField(s, *sim::FieldByName("ec"), 256, 0), "");
    EXPECT_NE(sim::SetField(s, *sim::FieldByName("ec"), 0xBB, 0x100), "");
    EXPECT_NE(sim::SetField(s, *sim::FieldByName("outputs"), 0, 0x10), "");
    EXPECT_NE(sim::SetField(s, *sim::FieldByName("level"), 8, 50), "");
    // Levels stay strictly ascending: level 3 sits between 20 and 45.
    EXPECT_NE(sim::SetField(s, *sim::FieldByName("level"), 3, 20), "");
    EXPECT_NE(sim::SetField(s, *sim::FieldByName("level"), 3, 45), "");
    EXPECT_TRUE(SameState(s, before));
    EXPECT_EQ(sim::SetField(s, *sim::FieldByName("level"), 3, 44), "");
    EXPECT_EQ(s.brightnessLevels[3], 44);
    EXPECT_EQ(sim::FieldByName("levels"), nullptr);
    EXPECT_EQ(sim::FieldByName("Volume"), nullptr);
}

TEST(FieldTable, AllLevelsAtOnceMustBeEightAscendingPercentages) {
    sim::State s = sim::DefaultState();
    EXPECT_NE(sim::SetBrightnessLevels(s, {1, 2, 3}), "");
    EXPECT_NE(sim::SetBrightnessLevels(s, {1, 2, 3, 4, 5, 6, 7, 101}), "");
    EXPECT_NE(sim::SetBrightnessLevels(s, {1, 2, 3, 4, 4, 6, 7, 8}), "");
    EXPECT_TRUE(SameState(s, sim::DefaultState()));
    EXPECT_EQ(sim::SetBrightnessLevels(s, {0, 2, 3, 4, 5, 6, 7, 100}), "");
    EXPECT_EQ(s.brightnessLevels[0], 0);
    EXPECT_EQ(s.brightnessLevels[7], 100);
}

TEST(FieldTable, MasksAndBytesShowInHex) {
    EXPECT_EQ(sim::FormatFieldValue(*sim::FieldByName("outputs"), 0x0B), "0x0b");
    EXPECT_EQ(sim::FormatFieldValue(*sim::FieldByName("volume"), 7), "7");
    EXPECT_EQ(sim::OutputNames(0x0B), "HDMI VGA panel");
    EXPECT_EQ(sim::OutputNames(0), "none");
    EXPECT_EQ(sim::OutputNames(0x14), "DisplayPort unknown bits 0x10");
}

}  // namespace
