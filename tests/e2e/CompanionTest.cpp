// The companion key: closes the companion program's window when it is open,
// otherwise starts the program its registry value names: a copy that runs as
// the desktop's user, unelevated, starts it itself; one with a full
// administrator's token or UI access has the desktop's shell start it. Wine
// starts every program with a full token, so the program the harness starts is
// such a copy; an ordinary user's copy is started with the limited token Wine
// links to it (unelevated.cpp).
#include <gtest/gtest.h>

#include <cstdio>
#include <map>

#include <windows.h>
#include <shellapi.h>
#include <tlhelp32.h>

#include "ProgramHarness.h"
#include "WindowWatch.h"

namespace e2e {
namespace {

constexpr uint32_t kRelease = 0x81;
constexpr uint32_t kCompanionKey = 0x09;
constexpr wchar_t kKey[] = L"SOFTWARE\\Korvelane\\Zorvath";
constexpr wchar_t kTitle[] = L"Korvelane Zorvath";
// This build's registry view and the other one; 32-bit Windows has one view,
// which both flags name.
constexpr REGSAM kOwnView = sizeof(void*) == 8 ? KEY_WOW64_64KEY : KEY_WOW64_32KEY;
constexpr REGSAM kOtherView = sizeof(void*) == 8 ? KEY_WOW64_32KEY : KEY_WOW64_64KEY;

bool TwoRegistryViews() {
    BOOL wow64 = FALSE;
    return sizeof(void*) == 8 || (::IsWow64Process(::GetCurrentProcess(), &wow64) && wow64);
}

bool Elevated() {
    HANDLE token = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token)) {
        return false;
    }
    const UniqueKernelHandle owned(token);
    TOKEN_ELEVATION elevation{};
    DWORD size = 0;
    return ::GetTokenInformation(token, TokenElevation, &elevation, sizeof(elevation), &size) &&
           elevation.TokenIsElevated != 0;
}

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

// The process that started `pid`, and its file name while it still runs.
struct Parent {
    DWORD pid = 0;
    std::string name;
};
Parent ParentOf(DWORD pid) {
    std::map<DWORD, PROCESSENTRY32W> processes;
    const UniqueKernelHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = ::Process32FirstW(snapshot.get(), &entry); more; more = ::Process32NextW(snapshot.get(), &entry)) {
        processes[entry.th32ProcessID] = entry;
    }
    Parent parent;
    parent.pid = processes.count(pid) != 0 ? processes[pid].th32ParentProcessID : 0;
    parent.name = processes.count(parent.pid) != 0 ? Narrow(processes[parent.pid].szExeFile) : "";
    return parent;
}

DWORD ProcessOf(HWND window) {
    DWORD pid = 0;
    ::GetWindowThreadProcessId(window, &pid);
    return pid;
}

class Companion : public RunningProgramTest {
protected:
    void TearDown() override {
        for (const REGSAM view : {KEY_WOW64_64KEY, KEY_WOW64_32KEY}) {
            ::RegDeleteKeyExW(HKEY_LOCAL_MACHINE, kKey, view, 0);
        }
        for (HWND w = ::FindWindowW(nullptr, kTitle); w != nullptr; w = ::FindWindowW(nullptr, kTitle)) {
            ::SendMessageTimeoutW(w, WM_CLOSE, 0, 0, SMTO_NORMAL, 2000, nullptr);
            ::Sleep(50);
        }
    }

    // Writes the registry value the program starts the companion from, in
    // one view of the registry.
    void SetPathValue(const std::wstring& value, size_t bytes, REGSAM view = kOwnView) {
        HKEY key = nullptr;
        ASSERT_EQ(::RegCreateKeyExW(HKEY_LOCAL_MACHINE, kKey, 0, nullptr, 0, KEY_WRITE | view, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        ::RegSetValueExW(key, L"S1_KEY", 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                         static_cast<DWORD>(bytes));
        ::RegCloseKey(key);
    }
    void SetPath(const std::wstring& path, REGSAM view = kOwnView) {
        SetPathValue(path, (path.size() + 1) * sizeof(wchar_t), view);
    }

    // The lines one press of the companion key writes.
    std::vector<std::string> Press() {
        return program.EffectOf(machine, [&] { program.Press(kRelease, kCompanionKey); }).lines;
    }

    // A press of the key with the companion open closes it.
    void PressToClose(HWND companion) {
        EXPECT_EQ(Press(), (std::vector<std::string>{"Zorvath", "Close Zorvath Application"}));
        for (int i = 0; i < 300 && ::IsWindow(companion); ++i) {
            ::Sleep(10);
        }
        EXPECT_FALSE(::IsWindow(companion));
    }
};

// The program's starts of the companion, as its debugger saw them.
std::vector<observe::SystemCall> Starts(const ProgramRun& program) {
    std::vector<observe::SystemCall> starts;
    for (const observe::SystemCall& call : program.SystemCalls()) {
        if (call.function == "ShellExecuteExW") {
            starts.push_back(call);
        }
    }
    return starts;
}

// The lines that say a start of the companion was refused.
size_t Refusals(const ProgramRun& program) {
    size_t count = 0;
    for (const std::string& line : program.Lines()) {
        count += line.rfind("Zorvath not started", 0) == 0 ? 1 : 0;
    }
    return count;
}

struct VisibleSearch {
    DWORD pid;
    bool others;  // the windows of every process but the program and this test
    std::vector<std::wstring> titles;
};
BOOL CALLBACK CollectVisible(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<VisibleSearch*>(param);
    const observe::WindowInfo info = observe::Inspect(window);
    const bool counted =
        search->others ? info.pid != search->pid && info.pid != ::GetCurrentProcessId() : info.pid == search->pid;
    // The OSD shows for the marker key each press is followed by.
    if (counted && info.visible && info.title != L"Function_control_window") {
        search->titles.push_back(info.title);
    }
    return TRUE;
}
// The program's visible windows: a box the shell might show in it.
std::vector<std::wstring> VisibleWindows(DWORD pid) {
    VisibleSearch search{pid, false, {}};
    ::EnumWindows(&CollectVisible, reinterpret_cast<LPARAM>(&search));
    return search.titles;
}
// Everyone else's: a box the desktop's shell might show.
std::vector<std::wstring> OthersVisibleWindows(DWORD pid) {
    VisibleSearch search{pid, true, {}};
    ::EnumWindows(&CollectVisible, reinterpret_cast<LPARAM>(&search));
    return search.titles;
}

TEST_F(Companion, AFullTokensCopyHasTheDesktopsShellStartItThenClosesIt) {
    ASSERT_TRUE(Elevated()) << "Wine starts programs with a full token; the program is started as this test was";
    const std::wstring path = BinDirectory() + L"\\companion.exe";
    SetPath(path);
    EXPECT_EQ(Press(), (std::vector<std::string>{"Zorvath", Narrow(path)}));
    HWND companion = observe::WaitForWindow(nullptr, kTitle, 5000);
    ASSERT_NE(companion, nullptr) << "started by the desktop's shell";
    EXPECT_TRUE(::IsWindowVisible(companion)) << "shown normally";
    const Parent parent = ParentOf(ProcessOf(companion));
    EXPECT_NE(parent.pid, program.Pid()) << "not started by the program, whose token it would hold";
    EXPECT_EQ(parent.name, "explorer.exe") << "started by the desktop's shell";
    EXPECT_EQ(Starts(program).size(), 0u) << "no ShellExecuteEx of the program's own";
    PressToClose(companion);
}

TEST_F(Companion, AStartTheDesktopsShellRefusesIsALineNeverABox) {
    const std::wstring missing = BinDirectory() + L"\\no-such-companion.exe";
    SetPath(missing);
    const std::vector<std::wstring> before = OthersVisibleWindows(program.Pid());
    EXPECT_EQ(Press(), (std::vector<std::string>{"Zorvath", Narrow(missing)}));
    // Wine's shell answers S_FALSE for a file it did not start; Windows an error.
    ASSERT_TRUE(program.WaitForLine("Zorvath not started: ShellExecute 0x00000001\n"))
        << ::testing::PrintToString(program.Lines());
    ::Sleep(500);
    EXPECT_EQ(VisibleWindows(program.Pid()), std::vector<std::wstring>{}) << "no error box";
    EXPECT_EQ(OthersVisibleWindows(program.Pid()), before) << "none of the shell's either";

    SetPathValue(L"", sizeof(wchar_t));
    EXPECT_EQ(Press(), (std::vector<std::string>{"Zorvath", ""}));
    ::Sleep(200);
    EXPECT_EQ(Refusals(program), 1u) << "nothing started for an empty path, nothing refused";
}

// The harness's program holds a full token under Wine: this case runs again
// in a copy of this test program started with the limited token, whose
// program is an ordinary user's copy.
class CompanionOfAnOrdinaryCopy : public Companion {
protected:
    void SetUp() override {
        if (!Elevated()) {
            Companion::SetUp();
        }
    }
    // True in the copy that runs the case; the full-token copy has run it
    // unelevated and checked that it passed.
    bool Unelevated() {
        if (!Elevated()) {
            return true;
        }
        const std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        const ToolRun run =
            RunTool(L"unelevated.exe", L"\"" + BinDirectory() + L"\\e2e_tests.exe\" --gtest_filter=" +
                                           L"CompanionOfAnOrdinaryCopy." + std::wstring(name.begin(), name.end()));
        EXPECT_EQ(run.exitCode, 0u) << run.output;
        EXPECT_NE(run.output.find("[  PASSED  ] 1 test."), std::string::npos) << run.output;
        return false;
    }
};

TEST_F(CompanionOfAnOrdinaryCopy, StartsItItselfOnAThreadOfItsOwnWithNoBox) {
    if (!Unelevated()) {
        return;
    }
    const std::wstring path = BinDirectory() + L"\\companion.exe";
    SetPath(path);
    EXPECT_EQ(Press(), (std::vector<std::string>{"Zorvath", Narrow(path)}));
    HWND companion = observe::WaitForWindow(nullptr, kTitle, 5000);
    ASSERT_NE(companion, nullptr) << "started with the open verb";
    EXPECT_TRUE(::IsWindowVisible(companion)) << "shown normally";
    EXPECT_EQ(ParentOf(ProcessOf(companion)).pid, program.Pid()) << "started by the program itself";
    // Started on a thread of its own, the user-interface thread free
    // meanwhile, with the open verb, shown normally, owned by the hidden main
    // window, and with no error box of the shell's should it fail.
    const std::vector<observe::SystemCall> starts = Starts(program);
    ASSERT_EQ(starts.size(), 1u);
    EXPECT_NE(starts[0].threadId, program.MainThreadId());
    char expected[128];
    std::snprintf(expected, sizeof(expected), "mask 0x%x hwnd 0x%llx verb open show %d",
                  SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC,
                  static_cast<unsigned long long>(reinterpret_cast<ULONG_PTR>(program.MainWindow())), SW_SHOWNORMAL);
    EXPECT_EQ(starts[0].detail, expected);
    PressToClose(companion);

    const std::wstring missing = BinDirectory() + L"\\no-such-companion.exe";
    SetPath(missing);
    EXPECT_EQ(Press(), (std::vector<std::string>{"Zorvath", Narrow(missing)}));
    for (int i = 0; i < 100 && Starts(program).size() < 2; ++i) {
        ::Sleep(10);
    }
    EXPECT_EQ(Starts(program).size(), 2u);
    ::Sleep(500);
    EXPECT_EQ(VisibleWindows(program.Pid()), std::vector<std::wstring>{}) << "no error box";
    EXPECT_EQ(Refusals(program), 0u) << "a failed start of its own says nothing more";
}

TEST_F(Companion, TheKeyIsReadInThisBuildsRegistryViewFirstThenInTheOther) {
    const std::wstring path = BinDirectory() + L"\\companion.exe";
    SetPath(path, kOtherView);
    HKEY own = nullptr;
    const bool inOwnView = ::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kKey, 0, KEY_READ | kOwnView, &own) == ERROR_SUCCESS;
    ::RegCloseKey(own);
    EXPECT_EQ(inOwnView, !TwoRegistryViews()) << "64-bit Windows keeps the views apart, 32-bit has one";
    EXPECT_EQ(Press(), (std::vector<std::string>{"Zorvath", Narrow(path)})) << "found in the other view";
    HWND companion = observe::WaitForWindow(nullptr, kTitle, 5000);
    ASSERT_NE(companion, nullptr);
    PressToClose(companion);

    // The same file named two ways tells which view was read.
    const std::wstring samePath = BinDirectory() + L"\\.\\companion.exe";
    SetPath(path, kOwnView);
    SetPath(samePath, kOtherView);
    const std::wstring read = TwoRegistryViews() ? path : samePath;  // one key takes the last write
    EXPECT_EQ(Press(), (std::vector<std::string>{"Zorvath", Narrow(read)}));
    companion = observe::WaitForWindow(nullptr, kTitle, 5000);
    ASSERT_NE(companion, nullptr);
    PressToClose(companion);
}

TEST_F(Companion, NoKeyInEitherViewOrNoValueStartsNothing) {
    EXPECT_EQ(Press(), (std::vector<std::string>{"Zorvath", "RegOpenKey Error\n"}));
    SetPathValue(L"", 0, kOtherView);
    HKEY key = nullptr;
    ASSERT_EQ(::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kKey, 0, KEY_WRITE | kOtherView, &key), ERROR_SUCCESS);
    ::RegDeleteValueW(key, L"S1_KEY");
    ::RegCloseKey(key);
    EXPECT_EQ(Press(), std::vector<std::string>{"Zorvath"}) << "the other view's key, without its value";
}

TEST_F(Companion, APathOf512BytesIsReadALongerOneIsNot) {
    // 255 characters and the terminating NUL: exactly the buffer.
    const std::wstring fits = L"C:\\" + std::wstring(252, L'a');
    SetPathValue(fits, 512);
    EXPECT_EQ(Press(), (std::vector<std::string>{"Zorvath", Narrow(fits)}));
    // No such file: the desktop's shell refuses it, after the press.
    EXPECT_TRUE(program.WaitForLine("Zorvath not started: ShellExecute 0x00000001\n"));
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
