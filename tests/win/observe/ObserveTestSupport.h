#pragma once

#include "tests/support/Observe.h"

#include <gtest/gtest.h>

#include <string>

namespace observe_test {

inline std::wstring Bin(const wchar_t* name) { return observe::ExecutableDir() + name; }

inline std::wstring Probe() { return Bin(L"observe_probe.exe"); }

// Each test gets a folder of its own under the temporary folder.
class TempDirTest : public testing::Test {
protected:
    void SetUp() override {
        m_dir = observe::MakeTempDir(L"observe-test");
        ASSERT_FALSE(m_dir.empty());
    }
    void TearDown() override { observe::RemoveTree(m_dir); }
    std::wstring Path(const wchar_t* name) const { return m_dir + name; }

    std::wstring m_dir;
};

}  // namespace observe_test
