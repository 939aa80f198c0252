// The OSD window on the virtual display: every picture of the catalogue shown
// pixel for pixel where it belongs, the timers, display changes, and the
// commands that must not end it.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "Screen.h"
#include "WindowWatch.h"
#include "osd/Function_UI.h"

namespace {

constexpr RECT kCentredArea{545, 343, 545 + kOsdPictureWidth, 343 + kOsdPictureHeight};

const std::vector<uint16_t> kPngIds = {139, 140, 141, 142, 143, 144, 145, 146, 147, 148, 149, 150, 151, 152, 153,
                                       154, 155, 156, 157, 158, 179, 180, 181, 182, 183, 184, 185, 186, 187, 188,
                                       194, 196, 197, 198, 199, 200, 201, 202, 203, 204, 205, 206, 207};
const std::vector<uint16_t> kBitmapIds = {163, 164, 165, 166, 167, 168, 169, 170, 171, 172, 173, 174, 175, 176, 177};

// Lets the tests reach what only the display operations touch.
class TestOsd : public Function_UI {
public:
    using Function_UI::RenderAndShow;
    void DropPicture() { m_pImageBack.reset(); }
};

std::wstring TempPath(const std::wstring& name) {
    wchar_t dir[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, dir);
    return std::wstring(dir) + L"vask-osd-" + std::to_wstring(::GetCurrentProcessId()) + L"-" + name;
}

std::wstring ModulePath() {
    wchar_t path[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    return path;
}

class Osd : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(osd.Create(IDD_OSD_TEMPLATE, nullptr));
        observe::PumpMessages(20);
    }
    void TearDown() override { osd.DestroyWindow(); }

    // Differing pixels between the centred area of the screen and the picture.
    long DifferingFromResource(const wchar_t* name) {
        const std::wstring expected = TempPath(L"expected.png");
        const std::wstring shot = TempPath(L"shot.png");
        if (!observe::ExtractResourcePicture(ModulePath(), name, expected) || !observe::Screenshot(shot)) {
            return -2;
        }
        const long differing = observe::CountDifferingPixels(shot, kCentredArea, expected);
        ::DeleteFileW(expected.c_str());
        ::DeleteFileW(shot.c_str());
        return differing;
    }

    std::optional<observe::Picture> ScreenArea() {
        const std::wstring shot = TempPath(L"area.png");
        if (!observe::Screenshot(shot)) {
            return std::nullopt;
        }
        auto picture = observe::LoadPicture(shot);
        ::DeleteFileW(shot.c_str());
        return picture;
    }

    static constexpr UINT IDD_OSD_TEMPLATE = 131;
    TestOsd osd;
};

bool Visible(const CWnd& wnd) { return ::IsWindowVisible(wnd.m_hWnd) != FALSE; }

RECT WindowRect(const CWnd& wnd) {
    RECT rect{};
    ::GetWindowRect(wnd.m_hWnd, &rect);
    return rect;
}

TEST_F(Osd, StartsHiddenTopMostCentredAndEmpty) {
    EXPECT_FALSE(Visible(osd));
    const RECT rect = WindowRect(osd);
    EXPECT_EQ(rect.left, 545);
    EXPECT_EQ(rect.top, 343);
    EXPECT_EQ(rect.right - rect.left, 0);
    EXPECT_NE(::GetWindowLongW(osd.m_hWnd, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
    wchar_t text[64] = {};
    ::GetWindowTextW(osd.m_hWnd, text, 64);
    EXPECT_STREQ(text, L"Function_control_window");
}

TEST_F(Osd, EveryPngPictureShowsCentredPixelForPixel) {
    for (uint16_t id : kPngIds) {
        ASSERT_TRUE(osd.LoadPngPicture(id)) << id;
        osd.RenderAndShow(OSD_TIMER_HIDE);
        observe::PumpMessages(30);
        const RECT rect = WindowRect(osd);
        EXPECT_EQ(rect.left, 545) << id;
        EXPECT_EQ(rect.top, 343) << id;
        EXPECT_EQ(rect.right - rect.left, kOsdPictureWidth) << id;
        EXPECT_EQ(rect.bottom - rect.top, kOsdPictureHeight) << id;
        EXPECT_NE(::GetWindowLongW(osd.m_hWnd, GWL_EXSTYLE) & WS_EX_LAYERED, 0);
        EXPECT_EQ(DifferingFromResource(MAKEINTRESOURCEW(id)), 0) << "picture " << id;
    }
}

TEST_F(Osd, EveryBitmapShowsCentredPixelForPixel) {
    for (uint16_t id : kBitmapIds) {
        ASSERT_TRUE(osd.LoadBitmapFromIDResource(id, ::GetModuleHandleW(nullptr))) << id;
        osd.ShowWindow(SW_SHOW);
        observe::PumpMessages(30);
        const RECT rect = WindowRect(osd);
        EXPECT_EQ(rect.left, 545) << id;
        EXPECT_EQ(rect.right - rect.left, kOsdPictureWidth) << id;
        EXPECT_EQ(DifferingFromResource(MAKEINTRESOURCEW(id)), 0) << "bitmap " << id;
    }
}

TEST_F(Osd, MissingPictureIsNoSuccessAndDrawsNothingNew) {
    ASSERT_TRUE(osd.LoadPngPicture(183));
    osd.RenderAndShow(OSD_TIMER_HIDE);
    observe::PumpMessages(30);
    for (uint16_t missing : {159, 162, 178, 189, 195}) {
        EXPECT_FALSE(osd.LoadPngPicture(missing)) << missing;
        EXPECT_EQ(osd.ImageWidth(), 0);
        EXPECT_EQ(osd.ImageHeight(), 0);
    }
    osd.RenderAndShow(OSD_TIMER_HIDE);
    observe::PumpMessages(30);
    EXPECT_EQ(DifferingFromResource(MAKEINTRESOURCEW(183)), 0) << "the last picture stays";
}

TEST_F(Osd, RenderWithoutAPictureLeavesItTransparent) {
    ASSERT_TRUE(osd.LoadPngPicture(157));
    osd.RenderAndShow(OSD_TIMER_HIDE);
    observe::PumpMessages(30);
    osd.DropPicture();
    osd.RenderLayered();
    observe::PumpMessages(30);
    EXPECT_EQ(WindowRect(osd).right - WindowRect(osd).left, kOsdPictureWidth) << "keeps the last size";
    auto screen = ScreenArea();
    ASSERT_TRUE(screen.has_value());
    // Nothing of the picture is left: the virtual display shows black under
    // fully transparent pixels.
    long drawn = 0;
    for (int y = kCentredArea.top; y < kCentredArea.bottom; ++y) {
        for (int x = kCentredArea.left; x < kCentredArea.right; ++x) {
            drawn += screen->At(x, y) != 0 ? 1 : 0;
        }
    }
    EXPECT_EQ(drawn, 0);
}

TEST_F(Osd, HidesThreeSecondsAfterTheLastShow) {
    ASSERT_TRUE(osd.LoadPngPicture(199));
    osd.RenderAndShow(OSD_TIMER_HIDE);
    observe::PumpMessages(2000);
    EXPECT_TRUE(Visible(osd));
    osd.RenderAndShow(OSD_TIMER_HIDE);  // a second key 2 s later starts the 3 s over
    observe::PumpMessages(1500);
    EXPECT_TRUE(Visible(osd)) << "3.5 s after the first show";
    observe::PumpMessages(2500);
    EXPECT_FALSE(Visible(osd)) << "4 s after the second show";
}

TEST_F(Osd, EveryTimerIdHidesAndUnknownOnesToo) {
    for (UINT_PTR id : {OSD_TIMER_HIDE, OSD_TIMER_BATTERY, UINT_PTR{7}, UINT_PTR{0xBEEF}}) {
        ASSERT_TRUE(osd.LoadPngPicture(155));
        osd.RenderAndShow(OSD_TIMER_HIDE);
        observe::PumpMessages(10);
        ASSERT_TRUE(Visible(osd));
        ::SendMessageW(osd.m_hWnd, WM_TIMER, id, 0);
        EXPECT_FALSE(Visible(osd)) << "timer " << id;
    }
}

TEST_F(Osd, DisplayChangeHidesAndCentresAgain) {
    ASSERT_TRUE(osd.LoadPngPicture(181));
    osd.RenderAndShow(OSD_TIMER_HIDE);
    ::SetWindowPos(osd.m_hWnd, nullptr, 10, 20, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    observe::PumpMessages(10);
    ::SendMessageW(osd.m_hWnd, WM_DISPLAYCHANGE, 24, MAKELPARAM(1280, 800));
    EXPECT_FALSE(Visible(osd));
    const RECT rect = WindowRect(osd);
    EXPECT_EQ(rect.left, 545);
    EXPECT_EQ(rect.top, 343);
    // The next display shows centred again.
    osd.RenderAndShow(OSD_TIMER_HIDE);
    observe::PumpMessages(30);
    EXPECT_EQ(DifferingFromResource(MAKEINTRESOURCEW(181)), 0);
}

// A show at a monitor's DPI takes its size and place with its pixels; a DPI
// change (the OSD's monitor rescaled, or the OSD moved to another) hides a
// showing OSD, as a display change does, and the OSD keeps its size: the next
// show gives it the new one, not the system or the dialog manager.
TEST_F(Osd, DpiChangeHidesAPlacedOsdAndLeavesItsSizeToTheNextShow) {
    osd.DestroyWindow();
    osd.UseDisplaySettings({true, OsdScreen::Active});
    ASSERT_TRUE(osd.Create(IDD_OSD_TEMPLATE, nullptr));
    ASSERT_TRUE(osd.LoadPngPicture(181));
    osd.RenderAndShow(OSD_TIMER_HIDE);
    observe::PumpMessages(30);
    EXPECT_EQ(DifferingFromResource(MAKEINTRESOURCEW(181)), 0) << "at 96 DPI, the picture as always";
    RECT suggested{0, 0, 900, 700};
    ::SendMessageW(osd.m_hWnd, 0x02E0 /* WM_DPICHANGED */, MAKEWPARAM(192, 192), reinterpret_cast<LPARAM>(&suggested));
    EXPECT_FALSE(Visible(osd));
    EXPECT_EQ(WindowRect(osd).right - WindowRect(osd).left, kOsdPictureWidth) << "not the suggested size";
    SIZE size{};
    EXPECT_TRUE(::SendMessageW(osd.m_hWnd, 0x02E4 /* WM_GETDPISCALEDSIZE */, 192, reinterpret_cast<LPARAM>(&size)));
    EXPECT_EQ(size.cx, kOsdPictureWidth);
    EXPECT_EQ(size.cy, kOsdPictureHeight);
}

// The pictures made for a scale are kept, sixteen at most, the least recently
// shown dropped first (at 300 % each holds 780 KB); a scale without masters is
// drawn from the picture at 100 %.
TEST(OsdView, KeepsTheSixteenMostRecentlyShownScaledPictures) {
    OsdView view;
    view.Configure({true, OsdScreen::Primary});
    OsdLayout at300;
    at300.width = 570;
    at300.height = 342;
    at300.source = {300, PictureFilter::None};
    const auto first = view.Picture(kPngIds[0], at300, nullptr);
    ASSERT_NE(first, nullptr);
    for (uint16_t id : kPngIds) {
        ASSERT_NE(view.Picture(id, at300, nullptr), nullptr) << id;
        // Shown again and again, it is never the one to go.
        EXPECT_EQ(view.Picture(kPngIds[0], at300, nullptr), first);
    }
    EXPECT_EQ(view.ScaledCount(), kMostScaledPictures);
    OsdLayout at250 = at300;
    at250.width = 475;
    at250.source = {250, PictureFilter::Shrink};
    const auto own = DrawLayeredPicture(nullptr, kOsdPictureWidth, kOsdPictureHeight);
    const auto drawn = view.Picture(157, at250, own.get());
    ASSERT_NE(drawn, nullptr);
    EXPECT_EQ(drawn->width, 475);
}

TEST_F(Osd, EnterEscAndCloseDoNotEndIt) {
    ASSERT_TRUE(osd.LoadPngPicture(158));
    osd.RenderAndShow(OSD_TIMER_HIDE);
    observe::PumpMessages(10);
    ::SendMessageW(osd.m_hWnd, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    ::SendMessageW(osd.m_hWnd, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    ::SendMessageW(osd.m_hWnd, WM_CLOSE, 0, 0);
    ::PostMessageW(osd.m_hWnd, WM_KEYDOWN, VK_ESCAPE, 0);
    ::PostMessageW(osd.m_hWnd, WM_KEYDOWN, VK_RETURN, 0);
    observe::PumpMessages(50);
    EXPECT_TRUE(::IsWindow(osd.m_hWnd));
    EXPECT_TRUE(Visible(osd));
}

}  // namespace
