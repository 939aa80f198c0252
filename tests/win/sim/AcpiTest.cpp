#include "SimTestSupport.h"

namespace {

using sim::Fault;
using sim::Function;
using sim_test::Lines;
using sim_test::Request;

class AcpiGops : public sim_test::NotebookTest {};

TEST_F(AcpiGops, WritesTheConnectedOutputsAndClearsTheUpperBytes) {
    ACPI_METHOD_REQUEST r = Request("GOPS", 0, 0xFFFFFF00u);
    EXPECT_NE(ACPIEvalMethodEx(&r), 0);
    EXPECT_EQ(r.Result, 0x0Bu);
    EXPECT_EQ(r.Argument, 0u);
    EXPECT_EQ(std::string(r.MethodName, 4), "GOPS");
    for (uint32_t plugged : {0x08u, 0x09u, 0x0Fu, 0x00u}) {
        ASSERT_TRUE(nb.Modify([&](sim::State& s) { s.connectedOutputs = plugged; }));
        r.Result = 0xA5A5A5A5u;
        EXPECT_NE(ACPIEvalMethodEx(&r), 0);
        EXPECT_EQ(r.Result, plugged);
    }
    EXPECT_EQ(Log()[0], "ACPIEvalMethodEx(GOPS, arg=0x00000000, res=0xffffff00) -> 1 res=0x0000000b");
}

TEST_F(AcpiGops, RefuseAndNoWriteKeepTheResultPreset) {
    SetFault(Function::ACPIEvalMethodEx, Fault::Refuse);
    ACPI_METHOD_REQUEST r = Request("GOPS", 0, 0x12345678u);
    EXPECT_EQ(ACPIEvalMethodEx(&r), 0);
    EXPECT_EQ(r.Result, 0x12345678u);
    SetFault(Function::ACPIEvalMethodEx, Fault::NoWrite);
    EXPECT_NE(ACPIEvalMethodEx(&r), 0);
    EXPECT_EQ(r.Result, 0x12345678u);
    EXPECT_EQ(Log(), (Lines{"ACPIEvalMethodEx(GOPS, arg=0x00000000, res=0x12345678) -> 0",
                            "ACPIEvalMethodEx(GOPS, arg=0x00000000, res=0x12345678) -> 1"}));
}

TEST_F(AcpiGops, RangeWritesBitsOutsideTheOutputs) {
    SetFault(Function::ACPIEvalMethodEx, Fault::Range);
    ACPI_METHOD_REQUEST r = Request("GOPS", 0, 0);
    EXPECT_NE(ACPIEvalMethodEx(&r), 0);
    EXPECT_EQ(r.Result, 0x1F0u);
    SetFault(Function::ACPIEvalMethodEx, Fault::Range, 0xFFFFFFFF);
    EXPECT_NE(ACPIEvalMethodEx(&r), 0);
    EXPECT_EQ(r.Result, 0xFFFFFFFFu);
}

class AcpiSops : public sim_test::NotebookTest {};

TEST_F(AcpiSops, SwitchesTheActiveOutputsAndCountsCommits) {
    ACPI_METHOD_REQUEST r = Request("SOPS", 0x09, 0x77);
    EXPECT_NE(ACPIEvalMethodEx(&r), 0);
    EXPECT_EQ(r.Result, 0x77u);  // SOPS answers nothing in Result
    EXPECT_EQ(State().activeOutputs, 0x09u);
    r.Argument = 0x02;
    EXPECT_NE(ACPIEvalMethodEx(&r), 0);
    EXPECT_EQ(State().activeOutputs, 0x02u);
    EXPECT_EQ(State().sopsCommits, 2u);
    EXPECT_EQ(Log()[0], "ACPIEvalMethodEx(SOPS, arg=0x00000009, res=0x00000077) -> 1");
}

// The firmware cannot light an output that has nothing plugged in.
TEST_F(AcpiSops, NothingOrAnUnpluggedOutputIsRefused) {
    // Plugged by default: panel, VGA, HDMI; DisplayPort is not.
    for (uint32_t wanted : {0x00u, 0x04u, 0x0Cu, 0x10u, 0x108u}) {
        ACPI_METHOD_REQUEST r = Request("SOPS", wanted, 0);
        EXPECT_EQ(ACPIEvalMethodEx(&r), 0) << wanted;
    }
    EXPECT_EQ(State().activeOutputs, 0x08u);
    EXPECT_EQ(State().sopsCommits, 0u);
}

TEST_F(AcpiSops, NoWriteReportsSuccessWithoutSwitching) {
    SetFault(Function::ACPIEvalMethodEx, Fault::NoWrite);
    ACPI_METHOD_REQUEST r = Request("SOPS", 0x01, 0);
    EXPECT_NE(ACPIEvalMethodEx(&r), 0);
    EXPECT_EQ(State().activeOutputs, 0x08u);
    EXPECT_EQ(State().sopsCommits, 0u);
    SetFault(Function::ACPIEvalMethodEx, Fault::Refuse);
    EXPECT_EQ(ACPIEvalMethodEx(&r), 0);
    EXPECT_EQ(State().activeOutputs, 0x08u);
}

class ControlMethodSgfc : public sim_test::NotebookTest {};

TEST_F(ControlMethodSgfc, CountsEachRequestAndLeavesResultAlone) {
    ACPI_METHOD_REQUEST r = Request("SGFC", 0, 0xDEADBEEFu);
    EXPECT_NE(ControlMethod(&r), 0);
    // A second request while the first is under way is counted too.
    EXPECT_NE(ControlMethod(&r), 0);
    EXPECT_EQ(r.Result, 0xDEADBEEFu);
    EXPECT_EQ(State().sgfcRequests, 2u);
    EXPECT_EQ(Log()[0], "ControlMethod(SGFC, arg=0x00000000, res=0xdeadbeef) -> 1");
}

TEST_F(ControlMethodSgfc, RefuseAndNoWriteDoNotStartTheSwitch) {
    ACPI_METHOD_REQUEST r = Request("SGFC", 0, 0);
    SetFault(Function::ControlMethod, Fault::Refuse);
    EXPECT_EQ(ControlMethod(&r), 0);
    SetFault(Function::ControlMethod, Fault::NoWrite);
    EXPECT_NE(ControlMethod(&r), 0);
    EXPECT_EQ(State().sgfcRequests, 0u);
    EXPECT_FALSE(nb.SetFault(Function::ControlMethod, Fault::Range));
}

class AcpiBadInput : public sim_test::NotebookTest {};

TEST_F(AcpiBadInput, UnknownMethodsFailAreLoggedAndKeepResult) {
    ACPI_METHOD_REQUEST gopx = Request("GOPX", 1, 0x55);
    ACPI_METHOD_REQUEST lower = Request("gops", 0, 0x55);
    ACPI_METHOD_REQUEST sgfc = Request("SGFC", 0, 0x55);  // a ControlMethod, not an evaluation
    ACPI_METHOD_REQUEST gops = Request("GOPS", 0, 0x55);  // and the other way round
    EXPECT_EQ(ACPIEvalMethodEx(&gopx), 0);
    EXPECT_EQ(ACPIEvalMethodEx(&lower), 0);
    EXPECT_EQ(ACPIEvalMethodEx(&sgfc), 0);
    EXPECT_EQ(ControlMethod(&gops), 0);
    for (const ACPI_METHOD_REQUEST* r : {&gopx, &lower, &sgfc, &gops}) {
        EXPECT_EQ(r->Result, 0x55u);
    }
    EXPECT_EQ(State().sgfcRequests, 0u);
    EXPECT_EQ(Log(), (Lines{"ACPIEvalMethodEx(GOPX, arg=0x00000001, res=0x00000055) -> 0",
                            "ACPIEvalMethodEx(gops, arg=0x00000000, res=0x00000055) -> 0",
                            "ACPIEvalMethodEx(SGFC, arg=0x00000000, res=0x00000055) -> 0",
                            "ControlMethod(GOPS, arg=0x00000000, res=0x00000055) -> 0"}));
}

// Method letters come from the caller's memory: the log line must stay one line.
TEST_F(AcpiBadInput, NullRequestAndUnprintableNamesAreLoggedSafely) {
    EXPECT_EQ(ACPIEvalMethodEx(nullptr), 0);
    EXPECT_EQ(ControlMethod(nullptr), 0);
    ACPI_METHOD_REQUEST odd{};
    odd.MethodName[0] = 'G';
    odd.MethodName[1] = '\0';
    odd.MethodName[2] = '\\';
    odd.MethodName[3] = static_cast<char>(0xC8);
    EXPECT_EQ(ACPIEvalMethodEx(&odd), 0);
    EXPECT_EQ(Log(), (Lines{"ACPIEvalMethodEx(null) -> 0", "ControlMethod(null) -> 0",
                            "ACPIEvalMethodEx(G\\x00\\x5c\\xc8, arg=0x00000000, res=0x00000000) -> 0"}));
}

}  // namespace
