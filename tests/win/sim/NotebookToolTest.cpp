#include "SimTestSupport.h"

#include "sim/Fields.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <thread>

namespace {

using sim::Fault;
using sim::Function;
using sim_test::Tool;

class NotebookTool : public sim_test::NotebookTest {};

// The tool is a second process: what it sets, the stand-ins here answer.
TEST_F(NotebookTool, WhatTheToolSetsTheStandInsAnswer) {
    for (const wchar_t* args : {L"set volume 33", L"set ec 0xbb 0", L"set outputs 0x0f", L"set charging-disabled 1"}) {
        const observe::ProcessResult r = Tool(args);
        ASSERT_EQ(r.exitCode, 0u) << observe::Narrow(args) << ": " << r.err;
    }
    EXPECT_EQ(GetVolumnVista(), 33);
    const uint8_t reg = 0xBB;
    uint8_t ec = 0xFF;
    EXPECT_NE(KervoEvaluate(0xB0, &reg, 1, &ec, 1), 0);
    EXPECT_EQ(ec, 0x00);
    ACPI_METHOD_REQUEST gops = sim_test::Request("GOPS", 0, 0);
    EXPECT_NE(ACPIEvalMethodEx(&gops), 0);
    EXPECT_EQ(gops.Result, 0x0Fu);
    int32_t disabled = 0;
    EXPECT_NE(GetBatteryChargingDisable(&disabled), 0);
    EXPECT_EQ(disabled, 1);
}

TEST_F(NotebookTool, WhatTheStandInsChangeTheToolShows) {
    ASSERT_NE(SetVolumnVista(77), 0);
    ASSERT_NE(SetMuteVista(1), 0);
    const uint8_t enter = 0x90;
    ASSERT_NE(KervoEvaluate(0x59, &enter, 1, nullptr, 0), 0);
    EXPECT_EQ(Tool(L"get volume").out, "77\n");
    EXPECT_EQ(Tool(L"get mute").out, "1\n");
    const observe::ProcessResult show = Tool(L"show");
    EXPECT_EQ(show.exitCode, 0u);
    EXPECT_NE(show.out.find("\nvolume             77\n"), std::string::npos) << show.out;
    EXPECT_NE(show.out.find("\nhotkey             1\n"), std::string::npos) << show.out;
    EXPECT_NE(show.out.find("\noutputs            0x0b (HDMI VGA panel)\n"), std::string::npos);
    EXPECT_NE(show.out.find("\ncall log           3 calls, 0 dropped\n"), std::string::npos);
}

TEST_F(NotebookTool, EveryFieldCanBeSetAndReadBack) {
    // Each field's maximum, or its minimum where the maximum is what it holds
    // already: every set must visibly change the machine.
    for (const sim::Field& f : sim::Fields()) {
        int64_t arg = 0;
        int64_t value = f.max;
        std::wstring args = L"set " + observe::Widen(f.name);
        if (std::string(f.name) == "level") {
            arg = 7;
            value = 99;  // above level 6, so the table still ascends
        } else if (std::string(f.name) == "ec") {
            arg = 0x42;
        }
        if (f.argName) {
            args += L" " + std::to_wstring(arg);
        }
        const sim::State before = State();
        if (f.get(before, arg) == value) {
            value = f.min;
        }
        const observe::ProcessResult r = Tool(args + L" " + std::to_wstring(value));
        ASSERT_EQ(r.exitCode, 0u) << f.name << ": " << r.err;
        EXPECT_EQ(f.get(State(), arg), value) << f.name;
    }
    // Hex works as well as decimal, and levels go all at once.
    EXPECT_EQ(Tool(L"set ec 0x10 0x7f").exitCode, 0u);
    EXPECT_EQ(State().ec[0x10], 0x7F);
    EXPECT_EQ(Tool(L"get ec 0x10").out, "0x7f\n");
    EXPECT_EQ(Tool(L"set levels 1,2,3,4,5,6,7,8").exitCode, 0u);
    EXPECT_EQ(State().brightnessLevels[7], 8);
}

TEST_F(NotebookTool, BadInputGetsAClearDiagnosticAndChangesNothing) {
    const struct {
        const wchar_t* args;
        const char* says;
    } cases[] = {
        {L"frobnicate", "unknown command \"frobnicate\""},
        {L"set speed 3", "unknown field \"speed\""},
        {L"set volume 101", "volume: 101 is outside 0..100"},
        {L"set volume -1", "volume: -1 is outside 0..100"},
        {L"set volume 12abc", "\"12abc\" is not a number"},
        {L"set volume", "usage: notebook set FIELD"},
        {L"set ec 0x100 1", "REG 0x100 is outside 0..255"},
        {L"set ec 0xbb 0x100", "ec: 256 is outside 0x00..0xff"},
        {L"set outputs 0x10", "outputs: 16 is outside 0x00..0x0f"},
        {L"set display-scale 99", "display-scale: 99 is outside 100..500"},
        {L"set display-scale 501", "display-scale: 501 is outside 100..500"},
        {L"set level 2 5", "must ascend strictly"},
        {L"set levels 1,2,3", "exactly 8 values"},
        {L"get level", "level needs N"},
        {L"fault Nonsense refuse", "unknown function \"Nonsense\""},
        {L"fault GetVolumnVista explode", "unknown fault \"explode\""},
        {L"fault GetVolumnVista nowrite", "nowrite does not apply"},
        {L"fault SetVolumnVista range", "range does not apply"},
        {L"fault GetVolumnVista range 50", "outside 0..100"},
        {L"fault GetVolumnVista refuse 5", "usage: notebook fault"},
        {L"fault all refuse", "\"all\" goes with none only"},
        {L"fault WMI_GetBrightnessVista stall", "usage: notebook fault"},
        {L"fault WMI_GetBrightnessVista stall -1", "a stall lasts 0 to 600000 ms, not -1"},
        {L"fault WMI_GetBrightnessVista stall 600001", "a stall lasts 0 to 600000 ms, not 600001"},
        {L"fault WMI_GetBrightnessVista stall soon", "stall length \"soon\" is not a number"},
        {L"log --everything", "usage: notebook log"},
        {L"reset now", "reset takes no arguments"},
        {L"fault Keyboard refuse", "the keyboard is no function and takes no fault"},
        {L"sleep now", "usage: notebook sleep [--modern]"},
        {L"wake --later", "usage: notebook wake [--modern]"},
        {L"lock screen", "usage: notebook lock"},
        {L"unlock 1", "usage: notebook unlock"},
        {L"drop-hook all", "usage: notebook drop-hook"},
        {L"press wireless --input --flags 91", "--flags goes with a posted event only"},
    };
    for (const auto& c : cases) {
        const observe::ProcessResult r = Tool(c.args);
        const std::string args = observe::Narrow(c.args);
        EXPECT_EQ(r.exitCode, 2u) << args;
        EXPECT_EQ(r.err.rfind("notebook: ", 0), 0u) << args << ": " << r.err;
        EXPECT_NE(r.err.find(c.says), std::string::npos) << args << ": " << r.err;
        EXPECT_EQ(r.out, "") << args;
    }
    const sim::State s = State();
    const sim::State d = sim::DefaultState();
    EXPECT_EQ(std::memcmp(&s, &d, sizeof s), 0);
}

TEST_F(NotebookTool, FaultsAreSwitchedListedAndClearedByTheTool) {
    ASSERT_EQ(Tool(L"fault GetVolumnVista range -5").exitCode, 0u);
    ASSERT_EQ(Tool(L"fault kervoevaluate refuse").exitCode, 0u);  // names in any case
    EXPECT_EQ(GetVolumnVista(), -5);
    const uint8_t reg = 0xBB;
    uint8_t ec = 0;
    EXPECT_EQ(KervoEvaluate(0xB0, &reg, 1, &ec, 1), 0);
    const std::string listing = Tool(L"fault").out;
    EXPECT_NE(listing.find("GetVolumnVista             range(-5)"), std::string::npos) << listing;
    EXPECT_NE(listing.find("KervoEvaluate              refuse"), std::string::npos) << listing;
    EXPECT_NE(listing.find("SetVolumnVista             none           none refuse nowrite stall\n"), std::string::npos)
        << listing;
    EXPECT_NE(Tool(L"show").out.find("faults             KervoEvaluate=refuse "
                                     "GetVolumnVista=range(-5)\n"),
              std::string::npos);
    ASSERT_EQ(Tool(L"fault all none").exitCode, 0u);
    EXPECT_EQ(GetVolumnVista(), sim::DefaultState().volume);
    EXPECT_NE(KervoEvaluate(0xB0, &reg, 1, &ec, 1), 0);

    // A stall delays the answer, which is the healthy one, and holds no lock
    // meanwhile: the tool reads the notebook while a call stalls.
    ASSERT_EQ(Tool(L"fault GetVolumnVista stall 600").exitCode, 0u);
    EXPECT_NE(Tool(L"fault GetVolumnVista").out.find("stall(600 ms)"), std::string::npos);
    int32_t stalledAnswer = 0;
    const DWORD start = ::GetTickCount();
    std::thread caller([&] { stalledAnswer = GetVolumnVista(); });
    ::Sleep(100);
    EXPECT_EQ(Tool(L"get volume").exitCode, 0u) << "the notebook answers during the stall";
    caller.join();
    EXPECT_GE(::GetTickCount() - start, 550u);
    EXPECT_EQ(stalledAnswer, sim::DefaultState().volume);
    ASSERT_EQ(Tool(L"fault GetVolumnVista none").exitCode, 0u);
    const DWORD again = ::GetTickCount();
    GetVolumnVista();
    EXPECT_LT(::GetTickCount() - again, 300u) << "none ends the stall";
}

TEST_F(NotebookTool, LogPrintsEveryCallAndSaysWhatWasDropped) {
    GetMuteVista();
    SetVolumnVista(5);
    EXPECT_EQ(Tool(L"log").out, "GetMuteVista() -> 0\nSetVolumnVista(5) -> 1\n");
    EXPECT_EQ(Tool(L"log --seq").out, "1 GetMuteVista() -> 0\n2 SetVolumnVista(5) -> 1\n");
    for (uint32_t i = 0; i < sim::kCallLogCapacity; ++i) {
        GetMuteVista();
    }
    // Two calls more than the ring holds: the first two are gone.
    const std::string log = Tool(L"log").out;
    EXPECT_EQ(log.rfind("# 2 earlier calls dropped\nGetMuteVista() -> 0\n", 0), 0u);
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), sim::kCallLogCapacity + 1);
    EXPECT_EQ(Tool(L"log --clear").exitCode, 0u);
    EXPECT_EQ(Tool(L"log").out, "");
    // The totals go on past the ring and the clear.
    const std::string counts = Tool(L"log --counts").out;
    char row[80];
    std::snprintf(row, sizeof(row), "\nGetMuteVista %26u %12u\n", sim::kCallLogCapacity + 1, 0u);
    EXPECT_NE(counts.find(row), std::string::npos) << counts;
    GetMuteVista();
    EXPECT_EQ(Tool(L"clear-log").exitCode, 0u);
    EXPECT_TRUE(Log().empty());
}

TEST_F(NotebookTool, ResetRestoresTheFreshMachine) {
    ASSERT_NE(SetVolumnVista(9), 0);
    SetFault(Function::GetMuteVista, Fault::Refuse);
    ASSERT_EQ(Tool(L"reset").exitCode, 0u);
    const sim::State s = State();
    const sim::State d = sim::DefaultState();
    EXPECT_EQ(std::memcmp(&s, &d, sizeof s), 0);
    EXPECT_TRUE(Log().empty());
}

TEST_F(NotebookTool, HelpListsCommandsFieldsAndFaults) {
    const observe::ProcessResult r = Tool(L"--help");
    EXPECT_EQ(r.exitCode, 0u);
    for (const char* word :
         {"show", "set FIELD", "reset", "fault", "clear-log", "charging-disabled", "battery-flag", "nowrite",
          "GetBatteryChargingDisable", "sleep [--modern]", "wake [--modern]", "lock", "unlock", "drop-hook"}) {
        EXPECT_NE(r.out.find(word), std::string::npos) << word;
    }
    EXPECT_EQ(Tool(L"").exitCode, 2u);
}

}  // namespace
