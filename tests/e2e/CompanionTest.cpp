// The companion key: closes the companion program's window when it is open,
// otherwise starts the program its registry value names.
#include <gtest/gtest.h>

#include "ProgramHarness.h"
#include "WindowWatch.h"

namespace e2e {
namespace {

constexpr uint32_t kRelease = 0x81;
constexpr uint32_t kCompanionKey = 0x09;
constexpr wchar_t kKey[] = L"SOFTWARE\\Korvelane\\Zorvath";
constexpr wchar_t kTitle[] = L"Korvelane Zorvath";

class Companion : public RunningProgramTest {
protected:
    void TearDown() override {
        ::RegDeleteKeyW(HKEY_LOCAL_MACHINE, kKey);
        for (HWND w = ::FindWindowW(nullptr, kTitle); w != nullptr; w = ::FindWindowW(nullptr, kTitle)) {
            ::SendMessageTimeoutW(w, WM_CLOSE, 0, 0, SMTO_NORMAL, 2000, nullptr);
            ::Sleep(50);
        }
    }

    // Writes the registry value the program starts the companion from.
    void SetPathValue(const std::wstring& value, size_t bytes) {
        HKEY key = nullptr;
        ASSERT_EQ(::RegCreateKeyExW(HKEY_LOCAL_MACHINE, kKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        ::RegSetValueExW(key, L"S1_KEY", 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                         static_cast<DWORD>(bytes));
        ::RegCloseKey(key);
    }

    // The lines one press of the companion key writes.
    std::vector<std::string> Press() {
        return program.EffectOf(machine, [&] { program.Press(kRelease, kCompanionKey); }).lines;
    }
};

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

TEST_F(Companion, StartsItFromTheRegistryThenClosesIt) {
    const std::wstring path = BinDirectory() + L"\\companion.exe";
    SetPathValue(path, (path.size() + 1) * sizeof(wchar_t));
    EXPECT_EQ(Press(), (std::vector<std::string>{"Zorvath", Narrow(path)}));
    HWND companion = observe::WaitForWindow(nullptr, kTitle, 5000);
    ASSERT_NE(companion, nullptr) << "started with the open verb";
    EXPECT_TRUE(::IsWindowVisible(companion)) << "shown normally";

    EXPECT_EQ(Press(), (std::vector<std::string>{"Zorvath", "Close Zorvath Application"}));
    for (int i = 0; i < 300 && ::IsWindow(companion); ++i) {
        ::Sleep(10);
    }
    EXPECT_FALSE(::IsWindow(companion));
}

TEST_F(Companion, MissingKeyOrValueStartsNothing) {
    ::RegDeleteKeyW(HKEY_LOCAL_MACHINE, kKey);
    EXPECT_EQ(Press(), (std::vector<std::string>{"Zorvath", "RegOpenKey Error\n"}));
    SetPathValue(L"", 0);
    HKEY key = nullptr;
    ASSERT_EQ(::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kKey, 0, KEY_WRITE, &key), ERROR_SUCCESS);
    ::RegDeleteValueW(key, L"S1_KEY");
    ::RegCloseKey(key);
    EXPECT_EQ(Press(), std::vector<std::string>{"Zorvath"});
}

TEST_F(Companion, APathOf512BytesIsReadALongerOneIsNot) {
    // 255 characters and the terminating NUL: exactly the buffer.
    const std::wstring fits = L"C:\\" + std::wstring(252, L'a');
    SetPathValue(fits, 512);
    EXPECT_EQ(Press(), (std::vector<std::string>{"Zorvath", Narrow(fits)}));
    const std::wstring tooLong = fits + L"b";
    SetPathValue(tooLong, 514);
    EXPECT_EQ(Press(), std::vector<std::string>{"Zorvath"});
    // 256 characters stored without their NUL fill the buffer and cannot be ended.
    SetPathValue(tooLong, 512);
    EXPECT_EQ(Press(), std::vector<std::string>{"Zorvath"});
}

TEST_F(Companion, OnlyTheExtendedReleaseWithoutOtherBitsActs) {
    const auto effect = program.EffectOf(machine, [&] {
        program.Press(0x01, kCompanionKey);
        program.Press(0xA1, kCompanionKey);
        program.Press(0x91, kCompanionKey);
    });
    EXPECT_TRUE(effect.lines.empty()) << ::testing::PrintToString(effect.lines);
}

}  // namespace
}  // namespace e2e
