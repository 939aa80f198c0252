// The brightness keys: where the brightness stands among the eight levels,
// on the dimmer or the brighter scale, and the guest notice when the
// brightness service refuses.
#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>

#include "ProgramHarness.h"
#include "WindowWatch.h"

namespace e2e {
namespace {

constexpr uint32_t kRelease = 0x81;
constexpr uint32_t kDown = 0x05;
constexpr uint32_t kUp = 0x06;
const std::string kPassed = "[VaskHotkey]BrightnessValue Passed";
constexpr wchar_t kGuestTitle[] = L"Korvelane On-Screen Display-Guest User Deny";

std::string CheckLine(int level) { return "[VaskHotkey]Check Brightness Values: " + std::to_string(level) + "\n"; }

class Brightness : public RunningProgramTest {
protected:
    std::vector<std::string> PressAndSettle(uint32_t scan, const std::string& lastLinePrefix) {
        const size_t before = program.Lines().size();
        program.Press(kRelease, scan);
        for (int i = 0; i < 500; ++i) {
            const std::vector<std::string> all = program.Lines();
            if (all.size() > before && all.back().rfind(lastLinePrefix, 0) == 0) {
                program.Settle();
                return {all.begin() + static_cast<long>(before), all.end()};
            }
            ::Sleep(10);
        }
        return {"<no line beginning " + lastLinePrefix + ">"};
    }
};

TEST_F(Brightness, ShowsTheLevelOnTheScaleOfTheKey) {
    machine.Set([](sim::State& s) { s.brightness = 45; });  // levels 5, 10, 20, 30, 45, 60, 80, 100
    std::vector<std::string> expected(8, kPassed);
    for (int level : {5, 10, 20, 30, 45}) {
        expected.push_back(CheckLine(level));
    }
    expected.push_back("[VaskHotkey]BrightnessNumber: 45\tBrightnessLevel: 4\tWMIGetBrightness:45\n");
    EXPECT_EQ(PressAndSettle(kUp, "[VaskHotkey]BrightnessNumber"), expected);
    EXPECT_EQ(DifferingFromPicture(152), 0);
    PressAndSettle(kDown, "[VaskHotkey]BrightnessNumber");
    EXPECT_EQ(DifferingFromPicture(144), 0);

    for (const auto& [current, up, down] : {std::tuple{100, 139, 147}, std::tuple{0, 148, 140}}) {
        machine.Set([&](sim::State& s) { s.brightness = current; });
        PressAndSettle(kUp, "[VaskHotkey]BrightnessNumber");
        EXPECT_EQ(DifferingFromPicture(static_cast<uint16_t>(up)), 0) << current;
        PressAndSettle(kDown, "[VaskHotkey]BrightnessNumber");
        EXPECT_EQ(DifferingFromPicture(static_cast<uint16_t>(down)), 0) << current;
    }
}

// Starts the program on levels of the test's choosing, then gives the notebook
// good levels again: the next key finds the held ones bad and reads them anew.
std::vector<std::string> LinesOfAKeyAfterStartingOn(const int32_t (&startLevels)[8]) {
    CloseAnyRunningProgram();
    FreshNotebook machine;
    machine.Set([&](sim::State& s) {
        std::copy(std::begin(startLevels), std::end(startLevels), s.brightnessLevels);
        s.brightness = 20;
    });
    ProgramRun program;
    EXPECT_TRUE(program.Start());
    EXPECT_NE(program.WaitForMainWindow(), nullptr);
    machine.Set([](sim::State& s) {
        const sim::State fresh = sim::DefaultState();
        std::copy(std::begin(fresh.brightnessLevels), std::end(fresh.brightnessLevels), s.brightnessLevels);
    });
    const size_t before = program.Lines().size();
    program.Press(kRelease, kUp);
    EXPECT_TRUE(
        program.WaitForNewLine("[VaskHotkey]BrightnessNumber: 20\tBrightnessLevel: 2\tWMIGetBrightness:20\n", before));
    const std::vector<std::string> all = program.Lines();
    return {all.begin() + static_cast<long>(before), all.end()};
}

// What a key writes when the held levels fail the check after `passed` good
// ones with `verdict`: the passes, a fresh read, the verdict, then the search
// for brightness 20 among the fresh levels.
std::vector<std::string> LinesAfterReRead(int passed, const std::string& verdict) {
    std::vector<std::string> lines(static_cast<size_t>(passed), kPassed);
    for (int level : {5, 10, 20, 30, 45, 60, 80, 100}) {
        lines.push_back("[VaskHotkey]Set Brightness Levels to : " + std::to_string(level) + "\n");
    }
    lines.push_back(verdict);
    for (int level : {5, 10, 20}) {
        lines.push_back(CheckLine(level));
    }
    lines.push_back("[VaskHotkey]BrightnessNumber: 20\tBrightnessLevel: 2\tWMIGetBrightness:20\n");
    return lines;
}

TEST(BrightnessLevels, ALevelNotAboveTheOneBeforeIsReadAgain) {
    const int32_t repeated[8] = {0, 10, 10, 20, 30, 40, 50, 60};
    EXPECT_EQ(LinesOfAKeyAfterStartingOn(repeated), LinesAfterReRead(2, "[VaskHotkey]Brightness Value is invalid\n"));
}

TEST(BrightnessLevels, ALevelAbove100IsReadAgain) {
    const int32_t tooBright[8] = {101, 102, 103, 104, 105, 106, 107, 108};
    EXPECT_EQ(LinesOfAKeyAfterStartingOn(tooBright), LinesAfterReRead(0, "[VaskHotkey]Brightness Range is invalid\n"));
}

TEST_F(Brightness, RefusedBrightnessHidesTheOsdAndTheNextKeyClosesTheNotice) {
    machine.Set([](sim::State& s) { s.brightness = 60; });
    PressAndSettle(kUp, "[VaskHotkey]BrightnessNumber");
    ASSERT_TRUE(::IsWindowVisible(osd));
    machine.notebook().SetFault(sim::Function::WMI_GetBrightnessVista, sim::Fault::Refuse);
    const size_t before = program.Lines().size();
    program.Press(kRelease, kDown);
    HWND notice = observe::WaitForWindow(nullptr, kGuestTitle, 3000, program.Pid());
    ASSERT_NE(notice, nullptr);
    EXPECT_FALSE(::IsWindowVisible(osd)) << "hidden before the notice";
    EXPECT_TRUE(program.WaitForNewLine("\n\n\n=========Guest deny==========\n\n\n", before));
    wchar_t text[128] = {};
    ::GetDlgItemTextW(notice, 1002, text, 128);
    EXPECT_STREQ(text, L"Your user account configuration does not allow the appliction to run property");

    // Ordinary typing closes it; the key's own (empty) action runs after.
    ::Sleep(3500);
    EXPECT_TRUE(::IsWindow(notice)) << "no timer on this path";
    program.Press(0x00, 0x1E);
    for (int i = 0; i < 300 && ::IsWindow(notice); ++i) {
        ::Sleep(10);
    }
    EXPECT_FALSE(::IsWindow(notice));
}

TEST_F(Brightness, ANoticeOpenedWhileTheLastOneClosesLeavesNoWindowBehind) {
    machine.notebook().SetFault(sim::Function::WMI_GetBrightnessVista, sim::Fault::Refuse);
    program.Press(kRelease, kDown);
    HWND first = observe::WaitForWindow(nullptr, kGuestTitle, 3000, program.Pid());
    ASSERT_NE(first, nullptr);
    // The key closes the open notice, then its own action opens the notice
    // again, while the first one's run is still unwinding.
    const size_t before = program.Lines().size();
    program.Press(kRelease, kDown);
    ASSERT_TRUE(program.WaitForNewLine("\n\n\n=========Guest deny==========\n\n\n", before));
    ASSERT_NE(observe::WaitForWindow(nullptr, kGuestTitle, 3000, program.Pid()), nullptr);
    machine.notebook().SetFault(sim::Function::WMI_GetBrightnessVista, sim::Fault::None);
    program.Press(0x00, 0x1E);
    // By the title the system holds: a window left behind no longer answers
    // for its own title.
    const auto noticeWindow = [&] {
        for (HWND w = ::FindWindowExW(nullptr, nullptr, nullptr, kGuestTitle); w != nullptr;
             w = ::FindWindowExW(nullptr, w, nullptr, kGuestTitle)) {
            if (observe::Inspect(w).pid == program.Pid()) {
                return w;
            }
        }
        return HWND{};
    };
    for (int i = 0; i < 150 && noticeWindow() != nullptr; ++i) {
        ::Sleep(20);
    }
    EXPECT_EQ(noticeWindow(), nullptr) << "no notice window, shown or hidden, is left";
}

TEST(BrightnessAtStart, ARefusedLevelReadShowsANoticeThatClosesItself) {
    CloseAnyRunningProgram();
    FreshNotebook machine;
    machine.notebook().SetFault(sim::Function::WMI_GetBrightnessSetVista, sim::Fault::Refuse);
    ProgramRun program;
    ASSERT_TRUE(program.Start());
    HWND notice = observe::WaitForWindow(nullptr, kGuestTitle, 5000, program.Pid());
    ASSERT_NE(notice, nullptr);
    const DWORD start = ::GetTickCount();
    for (int i = 0; i < 600 && ::IsWindow(notice); ++i) {
        ::Sleep(10);
    }
    EXPECT_FALSE(::IsWindow(notice));
    EXPECT_GE(::GetTickCount() - start, 2500u) << "after its own 3 s";
    // Start-up waited for it and goes on: the hook is installed after the OSD.
    EXPECT_NE(program.WaitForMainWindow(), nullptr);
    EXPECT_TRUE(program.Running());
}

// A close that comes while the start's notice shows ends the start there: no
// hook, no further call, no line after the last, and a clean end.
TEST(BrightnessAtStart, ACloseWhileTheNoticeShowsEndsTheStartThere) {
    CloseAnyRunningProgram();
    FreshNotebook machine;
    machine.notebook().SetFault(sim::Function::WMI_GetBrightnessSetVista, sim::Fault::Refuse);
    ProgramRun program;
    ASSERT_TRUE(program.Start());
    ASSERT_NE(observe::WaitForWindow(nullptr, kGuestTitle, 5000, program.Pid()), nullptr);
    EXPECT_EQ(RunToEnd(L"Close").exitCode, 0u);
    EXPECT_EQ(program.WaitExit(), 0u);
    EXPECT_EQ(program.Lines(), (std::vector<std::string>{"[VaskHotkey]Enable VaskHotkey to control Volume\n",
                                                         kCloseLines[0], kCloseLines[1]}));
    EXPECT_EQ(machine.CallLog(), (std::vector<std::string>{"KervoEvaluate(0x59, [90], 1, null, 0) -> 1",
                                                           "WMI_GetBrightnessSetVista(0) -> -1",
                                                           "KervoEvaluate(0x59, [91], 1, null, 0) -> 1"}));
    for (const observe::SystemCall& call : program.SystemCalls()) {
        EXPECT_FALSE(call.function == "SetWindowsHookExW" && call.args[0] == WH_KEYBOARD_LL) << "no keyboard hook";
    }
}

}  // namespace
}  // namespace e2e
