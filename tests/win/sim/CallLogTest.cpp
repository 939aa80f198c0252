#include "SimTestSupport.h"

namespace {

using sim_test::Lines;
using sim_test::Request;

class CallLog : public sim_test::NotebookTest {};

TEST_F(CallLog, EveryFunctionReadsBackInOrderInItsTextForm) {
    const uint8_t enter = 0x90;
    const uint8_t reg = 0xBB;
    uint8_t ec = 0;
    int32_t disabled = 0;
    ACPI_METHOD_REQUEST gops = Request("GOPS", 0, 0xFF);
    ACPI_METHOD_REQUEST sops = Request("SOPS", 0x0A, 0);
    ACPI_METHOD_REQUEST sgfc = Request("SGFC", 1, 0);
    KervoEvaluate(0x59, &enter, 1, nullptr, 0);
    KervoEvaluate(0xB0, &reg, 1, &ec, 1);
    ACPIEvalMethodEx(&gops);
    ACPIEvalMethodEx(&sops);
    ControlMethod(&sgfc);
    GetMuteVista();
    SetMuteVista(1);
    GetVolumnVista();
    SetVolumnVista(60);
    WMI_GetBrightnessVista();
    WMI_GetBrightnessSetVista(3);
    GetBatteryChargingDisable(&disabled);
    EXPECT_EQ(Log(), (Lines{
                         "KervoEvaluate(0x59, [90], 1, null, 0) -> 1",
                         "KervoEvaluate(0xb0, [bb], 1, out, 1) -> 1 out=[10]",
                         "ACPIEvalMethodEx(GOPS, arg=0x00000000, res=0x000000ff) -> 1 res=0x0000000b",
                         "ACPIEvalMethodEx(SOPS, arg=0x0000000a, res=0x00000000) -> 1",
                         "ControlMethod(SGFC, arg=0x00000001, res=0x00000000) -> 1",
                         "GetMuteVista() -> 0",
                         "SetMuteVista(1) -> 1",
                         "GetVolumnVista() -> 40",
                         "SetVolumnVista(60) -> 1",
                         "WMI_GetBrightnessVista() -> 60",
                         "WMI_GetBrightnessSetVista(3) -> 30",
                         "GetBatteryChargingDisable(out) -> 1 out=0",
                     }));
    const std::optional<sim::CallLog> log = nb.ReadCallLog();
    ASSERT_TRUE(log);
    for (size_t i = 0; i < log->records.size(); ++i) {
        EXPECT_EQ(log->records[i].seq, i + 1);
        EXPECT_EQ(log->records[i].pid, GetCurrentProcessId());
    }
}

TEST_F(CallLog, LongInputShowsTheFirstEightBytes) {
    // Wrong lengths for an EC read, so both fail; what matters is how they print.
    const uint8_t input[10] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
    uint8_t out = 0;
    EXPECT_EQ(KervoEvaluate(0xB0, input, 10, &out, 1), 0);
    EXPECT_EQ(KervoEvaluate(0xB0, input, 8, &out, 1), 0);
    EXPECT_EQ(Log(), (Lines{"KervoEvaluate(0xb0, [00 01 02 03 04 05 06 07 ..], 10, out, 1) -> 0",
                            "KervoEvaluate(0xb0, [00 01 02 03 04 05 06 07], 8, out, 1) -> 0"}));
}

// Values cycle through 0..100 so that each record's text says which call it was.
TEST_F(CallLog, RingKeepsTheNewestCallsAndCountsTheDropped) {
    const uint32_t total = sim::kCallLogCapacity + 10;
    for (uint32_t i = 0; i < total; ++i) {
        ASSERT_NE(SetVolumnVista(static_cast<int32_t>(i % 101)), 0);
    }
    const std::optional<sim::CallLog> log = nb.ReadCallLog();
    ASSERT_TRUE(log);
    EXPECT_EQ(log->dropped, 10u);
    ASSERT_EQ(log->records.size(), sim::kCallLogCapacity);
    EXPECT_EQ(log->records.front().seq, 11u);
    EXPECT_EQ(log->records.back().seq, total);
    EXPECT_EQ(sim::FormatCall(log->records.front()), "SetVolumnVista(10) -> 1");
    EXPECT_EQ(sim::FormatCall(log->records.back()), "SetVolumnVista(" + std::to_string((total - 1) % 101) + ") -> 1");
    for (size_t i = 1; i < log->records.size(); ++i) {
        ASSERT_EQ(log->records[i].seq, log->records[i - 1].seq + 1);
    }
}

// The totals count every call and every fault taken, past the ring's end and
// across clears of the log, until a reset.
TEST_F(CallLog, TotalsCountEveryCallAndFaultTakenUntilAReset) {
    const uint32_t total = 3 * sim::kCallLogCapacity + 7;
    for (uint32_t i = 0; i < total; ++i) {
        SetVolumnVista(static_cast<int32_t>(i % 101));
    }
    ASSERT_TRUE(nb.SetFault(sim::Function::GetMuteVista, sim::Fault::Refuse));
    GetMuteVista();
    GetMuteVista();
    ASSERT_TRUE(nb.SetFault(sim::Function::GetMuteVista, sim::Fault::None));
    GetMuteVista();
    ASSERT_TRUE(nb.ClearCallLog());
    const std::optional<sim::CallTotals> totals = nb.ReadCallTotals();
    ASSERT_TRUE(totals);
    EXPECT_EQ(totals->calls[static_cast<int>(sim::Function::SetVolumnVista)], total);
    EXPECT_EQ(totals->faults[static_cast<int>(sim::Function::SetVolumnVista)], 0u);
    EXPECT_EQ(totals->calls[static_cast<int>(sim::Function::GetMuteVista)], 3u);
    EXPECT_EQ(totals->faults[static_cast<int>(sim::Function::GetMuteVista)], 2u);
    EXPECT_EQ(totals->calls[static_cast<int>(sim::Function::KervoEvaluate)], 0u);
    ASSERT_TRUE(nb.Reset());
    EXPECT_EQ(nb.ReadCallTotals()->calls[static_cast<int>(sim::Function::SetVolumnVista)], 0u);
}

TEST_F(CallLog, ClearEmptiesItAndTheSequenceGoesOn) {
    GetMuteVista();
    GetMuteVista();
    ASSERT_TRUE(nb.ClearCallLog());
    EXPECT_TRUE(Log().empty());
    GetVolumnVista();
    const std::optional<sim::CallLog> log = nb.ReadCallLog();
    ASSERT_TRUE(log);
    ASSERT_EQ(log->records.size(), 1u);
    EXPECT_EQ(log->records[0].seq, 3u);
    EXPECT_EQ(log->dropped, 0u);
}

TEST_F(CallLog, ResetStartsTheSequenceOver) {
    GetMuteVista();
    GetMuteVista();
    ASSERT_TRUE(nb.Reset());
    GetMuteVista();
    const std::optional<sim::CallLog> log = nb.ReadCallLog();
    ASSERT_TRUE(log);
    ASSERT_EQ(log->records.size(), 1u);
    EXPECT_EQ(log->records[0].seq, 1u);
}

}  // namespace
