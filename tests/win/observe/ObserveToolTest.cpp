#include "ObserveTestSupport.h"

#include "sim/SimNotebook.h"

namespace {

using observe::RunProcess;
using observe_test::Bin;
using observe_test::Probe;

observe::ProcessResult Observe(const std::wstring& args) { return RunProcess(Bin(L"observe.exe"), args); }

// Line ends escaped, so "\n", "\r\n" and none stay apart on one output line each.
TEST(ObserveTool, RunPrintsEachLineEscapedThenTheExitCode) {
    const observe::ProcessResult r = Observe(L"run \"" + Probe() + L"\" lines 3");
    ASSERT_TRUE(r.started);
    EXPECT_EQ(r.exitCode, 0u) << r.err;
    EXPECT_EQ(r.out,
              "probe started\\n\n"
              "no line end\n"
              "windows line end\\r\\n\n"
              "\n"
              "ansi line\\n\n"
              "last line\\n\n"
              "exit=3\n");
}

// The time-out is long enough for the probe to start and say its line on a
// busy machine (a debugged start under Wine can take over a second) and far
// shorter than its sleep.
TEST(ObserveTool, RunStopsAProgramThatOutlivesItsTimeout) {
    const observe::ProcessResult r = Observe(L"run --timeout 4000 \"" + Probe() + L"\" sleep 60000");
    EXPECT_EQ(r.exitCode, 1u);
    EXPECT_EQ(r.out, "sleeping\\n\nexit=timeout\n");
}

TEST(ObserveTool, FindsDescribesAndClosesAWindowByClass) {
    observe::Debuggee d;
    ASSERT_TRUE(d.Start(Probe(), L"window ObserveToolWindow tool 30 40 20 10 000000 ffffff"));
    ASSERT_TRUE(d.WaitForLine("shown\n", 10000));
    const observe::ProcessResult found = Observe(L"wait-window --class ObserveToolWindow --timeout 2000");
    ASSERT_EQ(found.exitCode, 0u) << found.err;
    const HWND h = observe::WaitForWindow(L"ObserveToolWindow", nullptr, 0);
    char expected[32];
    std::snprintf(expected, sizeof expected, "0x%llx\n",
                  static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(h)));
    EXPECT_EQ(found.out, expected);

    const observe::ProcessResult info = Observe(L"window --class ObserveToolWindow");
    EXPECT_EQ(info.exitCode, 0u) << info.err;
    EXPECT_NE(info.out.find("title    tool\n"), std::string::npos) << info.out;
    EXPECT_NE(info.out.find("rect     30 40 50 50 (20 x 10)\n"), std::string::npos) << info.out;
    EXPECT_NE(info.out.find("pid      " + std::to_string(d.Pid()) + "\n"), std::string::npos);

    EXPECT_EQ(Observe(L"post --class ObserveToolWindow WM_CLOSE 0 0").exitCode, 0u);
    EXPECT_EQ(d.WaitExit(5000), std::optional<DWORD>(0));
    EXPECT_EQ(Observe(L"wait-window --class ObserveToolWindow --timeout 100").exitCode, 1u);
}

TEST(ObserveTool, LogPrintsTheNotebooksCallsOneALine) {
    sim::Notebook nb;
    ASSERT_TRUE(nb.Reset()) << nb.LastError();
    observe::Debuggee d;
    ASSERT_TRUE(d.Start(Bin(L"observe_needs_kervo.exe")));
    ASSERT_EQ(d.WaitExit(10000), std::optional<DWORD>(0));
    // The probe made the call in its own process; the log is the machine's.
    const observe::ProcessResult r = Observe(L"log");
    EXPECT_EQ(r.exitCode, 0u);
    EXPECT_EQ(r.out, "KervoEvaluate(0xb0, [bb], 1, out, 1) -> 1 out=[10]\n");
    EXPECT_EQ(Observe(L"log --clear").exitCode, 0u);
    EXPECT_EQ(Observe(L"log").out, "");
}

TEST(ObserveTool, BadInputGetsADiagnosticAndExitCodeTwo) {
    for (const wchar_t* args : {L"", L"frobnicate", L"diff a.png 1 2 three 4 b.png", L"post 0x10 WM_NOPE 0 0",
                                L"wait-window --timeout soon", L"run", L"signal", L"extract x.exe #0 out.png"}) {
        const observe::ProcessResult r = Observe(args);
        EXPECT_EQ(r.exitCode, 2u) << observe::Narrow(args);
        if (*args) {
            EXPECT_EQ(r.err.rfind("observe: ", 0), 0u) << r.err;
        }
    }
}

TEST(ObserveTool, MissingThingsAreNegativeAnswersNotCrashes) {
    EXPECT_EQ(Observe(L"signal ObserveNoSuchEvent").exitCode, 1u);
    EXPECT_EQ(Observe(L"diff Z:\\no\\shot.png 0 0 1 1 Z:\\no\\exp.png").exitCode, 2u);
    EXPECT_EQ(Observe(L"window 0x12345678").exitCode, 1u);
    EXPECT_EQ(Observe(L"run Z:\\no\\such.exe").exitCode, 1u);
}

}  // namespace
