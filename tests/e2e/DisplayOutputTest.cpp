// The display key: each press asks the firmware which outputs are connected,
// steps that set's sequence and shows the choice; the last choice is committed
// 3 s after the last press.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>

#include "ProgramHarness.h"

namespace e2e {
namespace {

constexpr uint32_t kPress = 0x01;
constexpr uint32_t kDisplay = 0x0B;
const std::string kKeyLine = "FN+F1 Display Mode Changed";
const std::string kDefaultLcdLine = "===========DisplayMode : Default LCD Mode";

std::string QueryLine(unsigned set) {
    char text[64];
    std::snprintf(text, sizeof(text), "Got plugin display port : 0x0%x ", set);
    return text;
}

std::string CommitLine(unsigned output) {
    char text[64];
    std::snprintf(text, sizeof(text), "Set Display port is :0x0%x", output);
    return text;
}

std::string CommitCall(unsigned output) {
    char text[64];
    std::snprintf(text, sizeof(text), "ACPIEvalMethodEx(SOPS, arg=0x%08x", output);
    return text;
}

class DisplayOutput : public RunningProgramTest {
protected:
    void Plug(uint32_t set) {
        machine.Set([&](sim::State& s) { s.connectedOutputs = set; });
    }

    // One press of the display key; returns the lines it wrote.
    std::vector<std::string> Press() {
        const size_t before = program.Lines().size();
        program.Press(kPress, kDisplay);
        EXPECT_TRUE(program.WaitForLineCount(before + 2));
        program.Settle();
        // A press that shows nothing writes one line more.
        const std::vector<std::string> all = program.Lines();
        return {all.begin() + static_cast<long>(before), all.end()};
    }

    // The commit as the timer would run it, without waiting 3 s.
    std::vector<std::string> Commit() {
        const size_t before = program.Lines().size();
        ::PostMessageW(osd, WM_TIMER, 1, 0);
        EXPECT_TRUE(program.WaitForLineCount(before + 1));
        program.Settle();
        const std::vector<std::string> all = program.Lines();
        return {all.begin() + static_cast<long>(before), all.end()};
    }
};

TEST_F(DisplayOutput, EachSetStepsItsSequenceAndCommitsTheLastChoice) {
    // The pictures each set offers, press by press, and the outputs chosen.
    const std::map<uint32_t, std::vector<std::pair<uint16_t, unsigned>>> sequences = {
        {0x09, {{183, 0x08}, {185, 0x09}, {181, 0x01}}},
        {0x0A, {{183, 0x08}, {186, 0x0A}, {187, 0x02}}},
        {0x0B, {{183, 0x08}, {180, 0x03}, {181, 0x01}, {185, 0x09}, {186, 0x0A}, {187, 0x02}}},
        {0x0C, {{183, 0x08}, {184, 0x0C}, {179, 0x04}}},
        {0x0D, {{183, 0x08}, {182, 0x05}, {179, 0x04}, {184, 0x0C}, {185, 0x09}, {181, 0x01}}},
        {0x0E, {{183, 0x08}, {188, 0x06}, {179, 0x04}, {184, 0x0C}, {186, 0x0A}, {187, 0x02}}},
    };
    for (const auto& [set, steps] : sequences) {
        Plug(set);
        for (size_t n = 1; n <= steps.size(); ++n) {
            SCOPED_TRACE(::testing::Message() << "set " << set << " press " << n);
            EXPECT_EQ(Press(), (std::vector<std::string>{kKeyLine, QueryLine(set)}));
            EXPECT_TRUE(::IsWindowVisible(osd));
            EXPECT_EQ(DifferingFromPicture(steps[n - 1].first), 0);
            machine.NewCalls();
            EXPECT_EQ(Commit(), std::vector<std::string>{CommitLine(steps[n - 1].second)});
            EXPECT_TRUE(machine.WaitForCall(CommitCall(steps[n - 1].second)));
            EXPECT_FALSE(::IsWindowVisible(osd)) << "the commit hides the OSD";
            // Walk the cycle again up to the next press.
            for (size_t again = 1; again <= n && n < steps.size(); ++again) {
                Press();
            }
        }
        Commit();
    }
}

TEST_F(DisplayOutput, AllFourOutputsTakeElevenStepsThePanelTwice) {
    Plug(0x0F);
    const uint16_t pictures[] = {183, 188, 179, 184, 186, 187, 182, 180, 181, 185, 183, 183, 188};
    for (size_t i = 0; i < 13; ++i) {
        Press();
        EXPECT_EQ(DifferingFromPicture(pictures[i]), 0) << "press " << i + 1;
    }
    machine.NewCalls();
    Commit();
    EXPECT_TRUE(machine.WaitForCall(CommitCall(0x06))) << "press 13 chose VGA + DisplayPort";
}

TEST_F(DisplayOutput, FourPressesOfPanelAndHdmiWrapToThePanel) {
    Plug(0x09);
    for (uint16_t picture : {183, 185, 181, 183}) {
        Press();
        EXPECT_EQ(DifferingFromPicture(picture), 0);
    }
    machine.NewCalls();
    EXPECT_EQ(Commit(), std::vector<std::string>{CommitLine(0x08)});
}

TEST_F(DisplayOutput, ASetThatShrinksMidCycleKeepsTheLastChoice) {
    Plug(0x0F);
    for (int i = 0; i < 5; ++i) {
        Press();
    }
    ASSERT_EQ(DifferingFromPicture(186), 0);
    Plug(0x09);  // VGA and DisplayPort unplugged
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(Press(), (std::vector<std::string>{kKeyLine, QueryLine(0x09)}));
        EXPECT_TRUE(::IsWindowVisible(osd));
        EXPECT_EQ(DifferingFromPicture(186), 0) << "the step-5 picture is drawn again";
    }
    // The choice is sent as it stands; the notebook refuses VGA, which is gone.
    machine.NewCalls();
    EXPECT_EQ(Commit(), std::vector<std::string>{"Set Display port Failed"});
    EXPECT_TRUE(machine.WaitForCall("ACPIEvalMethodEx(SOPS, arg=0x0000000a, res=0x00000009) -> 0"));
    // The commit ended the cycle: the next press starts over.
    Press();
    EXPECT_EQ(DifferingFromPicture(183), 0);
}

TEST_F(DisplayOutput, SetsWithoutPanelAndExternalShowNothing) {
    for (uint32_t set : {0x00u, 0x08u, 0x01u, 0x10u, 0x1Fu, 0xFFu}) {
        Plug(set);
        ::ShowWindow(osd, SW_HIDE);
        const size_t before = program.Lines().size();
        program.Press(kPress, kDisplay);
        ASSERT_TRUE(program.WaitForNewLine(kDefaultLcdLine, before));
        program.Settle();
        const std::vector<std::string> all = program.Lines();
        EXPECT_EQ(std::vector<std::string>(all.begin() + static_cast<long>(before), all.end()),
                  (std::vector<std::string>{kKeyLine, QueryLine(set), kDefaultLcdLine}));
        EXPECT_FALSE(::IsWindowVisible(osd)) << set;
    }
}

TEST_F(DisplayOutput, AFailedQueryLeavesThePresetAndTakesThePanelPath) {
    Plug(0x0B);
    machine.notebook().SetFault(sim::Function::ACPIEvalMethodEx, sim::Fault::Refuse);
    const size_t before = program.Lines().size();
    program.Press(kPress, kDisplay);
    ASSERT_TRUE(program.WaitForNewLine(kDefaultLcdLine, before));
    const std::vector<std::string> all = program.Lines();
    EXPECT_EQ(std::vector<std::string>(all.begin() + static_cast<long>(before), all.end()),
              (std::vector<std::string>{kKeyLine, "Get Display Input Failed==============",
                                        "Got plugin display port : 0x0ff ", kDefaultLcdLine}));
}

TEST_F(DisplayOutput, AFailedCommitIsReportedAndEndsTheCycle) {
    Plug(0x0C);
    Press();
    Press();
    machine.notebook().SetFault(sim::Function::ACPIEvalMethodEx, sim::Fault::Refuse);
    EXPECT_EQ(Commit(), std::vector<std::string>{"Set Display port Failed"});
    EXPECT_FALSE(::IsWindowVisible(osd));
    machine.notebook().SetFault(sim::Function::ACPIEvalMethodEx, sim::Fault::None);
    Press();
    EXPECT_EQ(DifferingFromPicture(183), 0) << "the cycle starts over";
}

TEST_F(DisplayOutput, CommitsThreeSecondsAfterTheLastPressOnly) {
    Plug(0x0B);
    Press();
    ::Sleep(2000);
    Press();  // restarts the 3 s
    machine.NewCalls();
    const DWORD start = ::GetTickCount();
    ASSERT_TRUE(program.WaitForLine(CommitLine(0x03), 6000));
    const DWORD waited = ::GetTickCount() - start;
    EXPECT_GE(waited, 2500u) << "not 3 s after the first press";
    EXPECT_LE(waited, 4500u);
    EXPECT_TRUE(machine.WaitForCall(CommitCall(0x03)));
    program.Settle();
    EXPECT_FALSE(::IsWindowVisible(osd));
}

TEST_F(DisplayOutput, AnotherDisplayDuringAPendingCommitDoesNotCancelIt) {
    Plug(0x0A);
    Press();
    Press();
    // The volume display replaces the picture; the commit still sends VGA + panel.
    const size_t before = program.Lines().size();
    program.Press(0x81, 0x28);
    ASSERT_TRUE(program.WaitForNewLine("Set Volume Levels:5 Value:50\n", before));
    program.Settle();
    EXPECT_EQ(DifferingFromPicture(199), 0);
    EXPECT_EQ(Commit(), std::vector<std::string>{CommitLine(0x0A)});
    EXPECT_FALSE(::IsWindowVisible(osd));
}

}  // namespace
}  // namespace e2e
