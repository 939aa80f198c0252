#include "ObserveTestSupport.h"

#include <fstream>

namespace {

using observe::CountDifferingPixels;
using observe::Debuggee;
using observe::Picture;
using observe_test::Probe;

Picture Solid(int w, int h, uint32_t rgb) {
    Picture p;
    p.width = w;
    p.height = h;
    p.rgb.assign(static_cast<size_t>(w) * h, rgb);
    return p;
}

Picture Split(int w, int h, uint32_t left, uint32_t right) {
    Picture p = Solid(w, h, left);
    for (int y = 0; y < h; ++y) {
        for (int x = w / 2; x < w; ++x) {
            p.rgb[static_cast<size_t>(y) * w + x] = right;
        }
    }
    return p;
}

// Wine hands a window's pixels to the X server a moment after painting, so a
// screenshot taken right away may still show what was there before.
long SettledDifference(const std::wstring& shot, RECT area, const std::wstring& expected) {
    long n = -1;
    for (int attempt = 0; attempt < 30; ++attempt) {
        if (!observe::Screenshot(shot)) {
            return -2;
        }
        n = CountDifferingPixels(shot, area, expected);
        if (n == 0) {
            break;
        }
        Sleep(100);
    }
    return n;
}

class ScreenshotDiff : public observe_test::TempDirTest {};

TEST_F(ScreenshotDiff, PaintedWindowMatchesExactlyAndEveryWrongPixelCounts) {
    constexpr uint32_t kLeft = 0x2080C0;
    constexpr uint32_t kRight = 0xC04010;
    Debuggee d;
    ASSERT_TRUE(d.Start(Probe(), L"window ObserveProbeShot shot 200 150 60 40 2080c0 c04010")) << d.Error();
    ASSERT_TRUE(d.WaitForLine("shown\n", 10000));
    const RECT area{200, 150, 260, 190};
    const std::wstring shot = Path(L"shot.png");
    const std::wstring expected = Path(L"expected.png");
    ASSERT_TRUE(observe::SavePng(expected, Split(60, 40, kLeft, kRight)));
    ASSERT_EQ(SettledDifference(shot, area, expected), 0);

    const std::optional<Picture> screen = observe::LoadPicture(shot);
    ASSERT_TRUE(screen);
    EXPECT_EQ(screen->width, GetSystemMetrics(SM_CXSCREEN));
    EXPECT_EQ(screen->height, GetSystemMetrics(SM_CYSCREEN));

    // One colour for the whole area: exactly the right half is wrong.
    const std::wstring solid = Path(L"solid.png");
    ASSERT_TRUE(observe::SavePng(solid, Solid(60, 40, kLeft)));
    EXPECT_EQ(CountDifferingPixels(shot, area, solid), 30 * 40);

    // Five pixels changed in the expectation: five counted, wherever they are.
    Picture five = Split(60, 40, kLeft, kRight);
    for (int i : {0, 59, 60 * 39, 60 * 40 - 1, 60 * 20 + 29}) {
        five.rgb[i] ^= 0x000001;
    }
    const std::wstring fivePath = Path(L"five.png");
    ASSERT_TRUE(observe::SavePng(fivePath, five));
    EXPECT_EQ(CountDifferingPixels(shot, area, fivePath), 5);

    // One column to the left: column 0 now shows what lies beside the window,
    // column 30 the window's last left-coloured column.
    long besideDiffers = 0;
    for (int y = 150; y < 190; ++y) {
        besideDiffers += screen->At(199, y) != kLeft ? 1 : 0;
    }
    EXPECT_EQ(CountDifferingPixels(shot, RECT{199, 150, 259, 190}, expected), besideDiffers + 40);
}

TEST_F(ScreenshotDiff, MissingOrMismatchedPicturesAnswerMinusOne) {
    const std::wstring a = Path(L"a.png");
    const std::wstring small = Path(L"small.png");
    ASSERT_TRUE(observe::SavePng(a, Solid(20, 10, 0x102030)));
    ASSERT_TRUE(observe::SavePng(small, Solid(5, 5, 0x102030)));
    const RECT whole{0, 0, 20, 10};
    EXPECT_EQ(CountDifferingPixels(a, whole, a), 0);
    EXPECT_EQ(CountDifferingPixels(Path(L"none.png"), whole, a), -1);
    EXPECT_EQ(CountDifferingPixels(a, whole, Path(L"none.png")), -1);
    EXPECT_EQ(CountDifferingPixels(a, whole, small), -1);
    EXPECT_EQ(CountDifferingPixels(a, RECT{16, 6, 21, 11}, small), -1);  // leaves the picture
    EXPECT_EQ(CountDifferingPixels(a, RECT{-1, 0, 4, 5}, small), -1);
    EXPECT_EQ(CountDifferingPixels(a, RECT{15, 5, 20, 10}, small), 0);
    const std::wstring junk = Path(L"junk.png");
    std::ofstream(observe::Narrow(junk).c_str()) << "not a picture";
    EXPECT_EQ(CountDifferingPixels(junk, RECT{0, 0, 5, 5}, small), -1);
}

TEST_F(ScreenshotDiff, SavedPictureLoadsBackPixelForPixel) {
    Picture p = Solid(7, 3, 0);
    for (size_t i = 0; i < p.rgb.size(); ++i) {
        p.rgb[i] = static_cast<uint32_t>(i * 0x0B1F37) & 0xFFFFFF;
    }
    const std::wstring path = Path(L"p.png");
    ASSERT_TRUE(observe::SavePng(path, p));
    const std::optional<Picture> back = observe::LoadPicture(path);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->width, 7);
    EXPECT_EQ(back->height, 3);
    EXPECT_EQ(back->rgb, p.rgb);
}

// The probe's resources: 6 x 4 pictures, rows top to bottom.
const std::vector<uint32_t> kPngPixels = {
    0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF, 0x000000, 0x808080, 0x123456, 0x654321,
    0xABCDEF, 0xFEDCBA, 0x010203, 0xF0F0F0, 0x00FFFF, 0xFF00FF, 0xFFFF00, 0x7F7F7F,
    0x800000, 0x008000, 0x000080, 0x808000, 0x800080, 0x008080, 0xC0C0C0, 0x0A0B0C,
};

// 5-bit components of the 16-bit bitmap, as stored.
const int kBitmap555[24][3] = {
    {31, 0, 0},   {0, 31, 0},   {0, 0, 31},  {31, 31, 31}, {0, 0, 0},   {16, 16, 16}, {1, 2, 3},   {8, 16, 24},
    {30, 29, 28}, {0, 31, 31},  {31, 0, 31}, {31, 31, 0},  {4, 0, 0},   {0, 4, 0},    {0, 0, 4},   {15, 15, 15},
    {17, 17, 17}, {10, 20, 30}, {31, 16, 0}, {0, 16, 31},  {16, 0, 31}, {5, 10, 15},  {25, 5, 25}, {2, 30, 2},
};

// GDI widens five bits to eight by repeating the top bits below them.
uint32_t Widen555(const int (&c)[3]) {
    const auto w = [](int v) { return static_cast<uint32_t>((v << 3) | (v >> 2)); };
    return (w(c[0]) << 16) | (w(c[1]) << 8) | w(c[2]);
}

class ResourcePictures : public observe_test::TempDirTest {};

TEST_F(ResourcePictures, PngResourceIsWrittenAsStoredByNumberOrName) {
    const std::wstring byId = Path(L"id.png");
    const std::wstring byName = Path(L"name.png");
    ASSERT_TRUE(observe::ExtractResourcePicture(Probe(), MAKEINTRESOURCEW(101), byId));
    ASSERT_TRUE(observe::ExtractResourcePicture(Probe(), L"PROBEPNG", byName));
    for (const std::wstring& path : {byId, byName}) {
        const std::optional<Picture> p = observe::LoadPicture(path);
        ASSERT_TRUE(p);
        EXPECT_EQ(p->width, 6);
        EXPECT_EQ(p->height, 4);
        EXPECT_EQ(p->rgb, kPngPixels);
    }
}

TEST_F(ResourcePictures, SixteenBitBitmapWidensToTwentyFourBits) {
    const std::wstring path = Path(L"bmp.png");
    ASSERT_TRUE(observe::ExtractResourcePicture(Probe(), MAKEINTRESOURCEW(102), path));
    const std::optional<Picture> p = observe::LoadPicture(path);
    ASSERT_TRUE(p);
    ASSERT_EQ(p->width, 6);
    ASSERT_EQ(p->height, 4);
    for (int i = 0; i < 24; ++i) {
        EXPECT_EQ(p->rgb[i], Widen555(kBitmap555[i])) << "pixel " << i;
    }
}

TEST_F(ResourcePictures, MissingResourceOrModuleWritesNothing) {
    const std::wstring path = Path(L"none.png");
    EXPECT_FALSE(observe::ExtractResourcePicture(Probe(), MAKEINTRESOURCEW(999), path));
    EXPECT_FALSE(observe::ExtractResourcePicture(Path(L"no.exe"), MAKEINTRESOURCEW(101), path));
    EXPECT_EQ(GetFileAttributesW(path.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(ResourcePictures, BitmapOnScreenMatchesTheExtractedPicture) {
    const std::wstring extracted = Path(L"bmp.png");
    ASSERT_TRUE(observe::ExtractResourcePicture(Probe(), MAKEINTRESOURCEW(102), extracted));
    Debuggee d;
    ASSERT_TRUE(d.Start(Probe(), L"picture 102 400 300")) << d.Error();
    ASSERT_TRUE(d.WaitForLine("shown\n", 10000));
    EXPECT_EQ(SettledDifference(Path(L"shot.png"), RECT{400, 300, 406, 304}, extracted), 0);
}

}  // namespace
