#pragma once

#include "platform/VendorApi.h"
#include "sim/SimNotebook.h"
#include "tests/support/Process.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace sim_test {

using Lines = std::vector<std::string>;

// Every test starts from a fresh machine: defaults, no faults, empty log.
class NotebookTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(nb.Reset()) << nb.LastError(); }

    sim::State State() {
        const std::optional<sim::State> s = nb.ReadState();
        EXPECT_TRUE(s) << nb.LastError();
        return s.value_or(sim::State{});
    }
    Lines Log() { return nb.CallLogText().value_or(Lines{"<notebook unreachable>"}); }
    void SetFault(sim::Function f, sim::Fault fault, std::optional<int64_t> value = std::nullopt) {
        ASSERT_TRUE(nb.SetFault(f, fault, value)) << nb.LastError();
    }

    sim::Notebook nb;
};

// The control tool, run as a separate process seeing the same machine.
inline observe::ProcessResult Tool(const std::wstring& args) {
    return observe::RunProcess(observe::ExecutableDir() + L"notebook.exe", args);
}

inline ACPI_METHOD_REQUEST Request(const char (&name)[5], uint32_t argument, uint32_t resultPreset) {
    ACPI_METHOD_REQUEST r{};
    for (int i = 0; i < 4; ++i) {
        r.MethodName[i] = name[i];
    }
    r.Argument = argument;
    r.Result = resultPreset;
    return r;
}

}  // namespace sim_test
