// The battery key: the notebook's charge as the program reads it from its
// power status, the "Charging Disabled" notice, a machine without a battery
// and a power status that cannot be read.
#include <gtest/gtest.h>

#include "ProgramHarness.h"
#include "osd/VolumeRules.h"
#include "WindowWatch.h"

namespace e2e {
namespace {

constexpr uint32_t kRelease = 0x81;
constexpr uint32_t kBattery = 0x07;
constexpr wchar_t kNoticeTitle[] = L"Korvelane On-Screen Display-Battery Disabeled";
const std::string kChargingCall = "GetBatteryChargingDisable(out) -> 1 out=";

std::string PowerCall(int charge, int flag) {
    char text[64];
    std::snprintf(text, sizeof(text), "GetSystemPowerStatus(out) -> 1 out=charge %d, flag 0x%02x", charge, flag);
    return text;
}

std::vector<std::string> DisplayLines(int charge, int bitmap) {
    return {"power scale is " + std::to_string(charge), "enter LoadBitmapFromIDResource",
            "nid=" + std::to_string(bitmap)};
}

bool Gone(HWND window) {
    for (int i = 0; i < 300 && ::IsWindow(window); ++i) {
        ::Sleep(10);
    }
    return !::IsWindow(window);
}

class Battery : public RunningProgramTest {
protected:
    // A volume display, shown before the battery key.
    void ShowVolume() {
        program.Press(kRelease, 0x28);
        ASSERT_TRUE(machine.WaitForCall("SetVolumnVista("));
        for (int i = 0; i < 300 && !::IsWindowVisible(osd); ++i) {
            ::Sleep(10);
        }
        ASSERT_TRUE(::IsWindowVisible(osd));
        // Its lines are all written once the handler has returned; the OSD
        // may have shown from the key before.
        program.Settle();
    }
};

TEST_F(Battery, EachChargeShowsItsBandsBitmap) {
    // {life percent the system reports, charge written, bitmap}: every band
    // edge the user can meet, an unknown charge and one no battery reports.
    const int cases[][3] = {{9, 9, 164},   {10, 10, 165},   {18, 18, 165}, {19, 19, 166}, {90, 90, 173},
                            {91, 91, 174}, {100, 100, 174}, {255, 0, 164}, {150, 0, 164}};
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << "charge " << c[0]);
        machine.Set([&](sim::State& s) { s.batteryCharge = c[0]; });
        const size_t before = program.Lines().size();
        machine.NewCalls();
        program.Press(kRelease, kBattery);
        ASSERT_TRUE(program.WaitForNewLine("nid=" + std::to_string(c[2]), before));
        program.Settle();
        const std::vector<std::string> lines = program.Lines();
        EXPECT_EQ(std::vector<std::string>(lines.begin() + static_cast<long>(before), lines.end()),
                  DisplayLines(c[1], c[2]));
        EXPECT_EQ(machine.NewCalls(), (std::vector<std::string>{PowerCall(c[0], 1), kChargingCall + "0"}));
        EXPECT_TRUE(::IsWindowVisible(osd));
        EXPECT_EQ(DifferingFromPicture(static_cast<uint16_t>(c[2])), 0);
    }
}

TEST_F(Battery, WithoutABatteryTheKeyDoesNothing) {
    ShowVolume();  // a display that must stay as it is
    machine.Set([](sim::State& s) { s.batteryFlag = 128; });
    const size_t before = program.Lines().size();
    machine.NewCalls();
    program.Press(kRelease, kBattery);
    ASSERT_TRUE(program.WaitForNewLine("power scale is 80", before));
    program.Settle();
    EXPECT_EQ(program.Lines().size(), before + 1) << "nothing after the power-status line";
    EXPECT_EQ(machine.NewCalls(), std::vector<std::string>{PowerCall(80, 128)}) << "the BIOS is not asked";
    EXPECT_TRUE(::IsWindowVisible(osd));
    EXPECT_EQ(DifferingFromPicture(static_cast<uint16_t>(g_nVolumeImageId[5])), 0) << "the volume picture stays";

    // Any other flag, unknown (255) included, goes on to the display.
    machine.Set([](sim::State& s) { s.batteryFlag = 255; });
    const auto unknown = program.EffectOf(machine, [&] { program.Press(kRelease, kBattery); });
    EXPECT_EQ(unknown.lines, DisplayLines(80, 172));
}

TEST_F(Battery, ChargingDisabledHidesTheOsdAndOpensTheNoticeUntilTheNextKey) {
    // The BIOS says so, or its service answers without writing the flag.
    for (const bool noWrite : {false, true}) {
        SCOPED_TRACE(noWrite ? "flag not written" : "charging disabled");
        machine.Set([&](sim::State& s) {
            s.chargingDisabled = noWrite ? 0 : 1;
            s.volume = 30;
        });
        if (noWrite) {
            machine.notebook().SetFault(sim::Function::GetBatteryChargingDisable, sim::Fault::NoWrite);
        }
        ShowVolume();
        const size_t before = program.Lines().size();
        machine.NewCalls();
        program.Press(kRelease, kBattery);
        HWND notice = observe::WaitForWindow(nullptr, kNoticeTitle, 3000, program.Pid());
        ASSERT_NE(notice, nullptr);
        EXPECT_FALSE(::IsWindowVisible(osd)) << "hidden at once";
        EXPECT_EQ(observe::Inspect(notice).owner, program.MainWindow());

        // A volume key closes the notice, then steps the volume as usual.
        program.Press(kRelease, 0x28);
        EXPECT_TRUE(Gone(notice));
        EXPECT_TRUE(machine.WaitForCall("SetVolumnVista(50) -> 1"));
        program.Settle();
        const std::vector<std::string> lines = program.Lines();
        const std::vector<std::string> battery(lines.begin() + static_cast<long>(before),
                                               lines.begin() + static_cast<long>(before) + 1);
        EXPECT_EQ(battery, std::vector<std::string>{"power scale is 80"});
        for (size_t i = before; i < lines.size(); ++i) {
            EXPECT_NE(lines[i], "enter LoadBitmapFromIDResource") << "no battery bitmap";
        }
        EXPECT_TRUE(::IsWindowVisible(osd)) << "the volume display";
    }
}

TEST_F(Battery, AStatusThatCannotBeReadSaysSoThenShowsTheLastCharge) {
    machine.notebook().SetFault(sim::Function::GetSystemPowerStatus, sim::Fault::Refuse);
    const auto answerBox = [&] {
        HWND box = observe::WaitForWindow(nullptr, L"VaskHotkey", 3000, program.Pid());
        EXPECT_NE(box, nullptr);
        if (box == nullptr) {
            return;
        }
        EXPECT_EQ(observe::Inspect(box).owner, osd);
        wchar_t text[64] = {};
        ::GetDlgItemTextW(box, 0xFFFF, text, 64);
        EXPECT_STREQ(text, L"GetSystemPowerStatus fail!");
        ::PostMessageW(box, WM_COMMAND, IDOK, 0);
        EXPECT_TRUE(Gone(box));
    };
    // Never read yet: there is no charge to show.
    const size_t before = program.Lines().size();
    program.Press(kRelease, kBattery);
    answerBox();
    program.Settle();
    EXPECT_EQ(program.Lines().size(), before);
    EXPECT_FALSE(::IsWindowVisible(osd));

    machine.notebook().SetFault(sim::Function::GetSystemPowerStatus, sim::Fault::None);
    machine.Set([](sim::State& s) { s.batteryCharge = 37; });
    program.EffectOf(machine, [&] { program.Press(kRelease, kBattery); });
    machine.notebook().SetFault(sim::Function::GetSystemPowerStatus, sim::Fault::Refuse);
    machine.Set([](sim::State& s) { s.batteryCharge = 95; });
    const size_t again = program.Lines().size();
    program.Press(kRelease, kBattery);
    answerBox();
    EXPECT_TRUE(program.WaitForNewLine("nid=168", again)) << "the last good charge, 37";
}

}  // namespace
}  // namespace e2e
