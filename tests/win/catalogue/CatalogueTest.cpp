// The resources as they are built into the program (read out of
// VaskHotkey.exe, not from the source files): every picture with its type,
// language, size, colour type and opacity; the ids that must stay empty; the
// dialog templates control by control; icon, string, manifest, version.
#include <gtest/gtest.h>

#include <objidl.h>
#include <gdiplus.h>

#include <cstdlib>
#include <cstring>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include <windows.h>

#include "GdiplusSession.h"
#include "Process.h"
#include "RegistryValue.h"
#include "framework/Handles.h"

namespace {

constexpr WORD kLanguage = 1028;  // Chinese (Traditional, Taiwan)
constexpr WORD kManifestLanguage = 1033;
constexpr wchar_t kPngType[] = L"PNG";

const std::vector<WORD> kRgbPngs = {139, 140, 141, 142, 143, 144, 145, 146, 147, 148,
                                    149, 150, 151, 152, 153, 154, 155, 156, 181, 185};
const std::vector<WORD> kRgbaPngs = {157, 158, 179, 180, 182, 183, 184, 186, 187, 188, 194, 196,
                                     197, 198, 199, 200, 201, 202, 203, 204, 205, 206, 207};

std::wstring ProgramPath() {
    wchar_t path[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring dir(path);
    return dir.substr(0, dir.find_last_of(L"\\/")) + L"\\VaskHotkey.exe";
}

BOOL CALLBACK AddLanguage(HMODULE, LPCWSTR, LPCWSTR, WORD language, LONG_PTR languages) {
    reinterpret_cast<std::vector<WORD>*>(languages)->push_back(language);
    return TRUE;
}

BOOL CALLBACK AddName(HMODULE, LPCWSTR, LPWSTR name, LONG_PTR names) {
    reinterpret_cast<std::set<WORD>*>(names)->insert(static_cast<WORD>(reinterpret_cast<ULONG_PTR>(name)));
    return TRUE;
}

class Catalogue : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_module.reset(::LoadLibraryExW(ProgramPath().c_str(), nullptr,
                                        LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
        s_gdiplus.emplace();
    }
    static void TearDownTestSuite() {
        s_gdiplus.reset();
        s_module.reset();
    }

    static std::vector<WORD> Languages(LPCWSTR type, LPCWSTR name) {
        std::vector<WORD> languages;
        ::EnumResourceLanguagesW(s_module.get(), type, name, &AddLanguage, reinterpret_cast<LONG_PTR>(&languages));
        return languages;
    }

    // The resource's bytes in the one language it has.
    static std::vector<BYTE> Bytes(LPCWSTR type, LPCWSTR name, WORD language = kLanguage) {
        HRSRC resource = ::FindResourceExW(s_module.get(), type, name, language);
        if (resource == nullptr) {
            return {};
        }
        const DWORD size = ::SizeofResource(s_module.get(), resource);
        const auto* data = static_cast<const BYTE*>(::LockResource(::LoadResource(s_module.get(), resource)));
        return data != nullptr ? std::vector<BYTE>(data, data + size) : std::vector<BYTE>{};
    }

    // Every text of every dialog, measured at this run's DPI.
    static void ExpectEveryDialogTextFits();

    static UniqueModule s_module;
    static std::optional<observe::GdiplusSession> s_gdiplus;
};
UniqueModule Catalogue::s_module;
std::optional<observe::GdiplusSession> Catalogue::s_gdiplus;

uint32_t BigEndian32(const BYTE* p) {
    return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}

// Every pixel's alpha, decoded as the OSD decodes it.
bool AllOpaque(const std::vector<BYTE>& png) {
    UniqueGlobalMemory block(::GlobalAlloc(GMEM_MOVEABLE, png.size()));
    if (!block) {
        return false;
    }
    std::memcpy(::GlobalLock(block.get()), png.data(), png.size());
    ::GlobalUnlock(block.get());
    IStream* created = nullptr;
    if (FAILED(::CreateStreamOnHGlobal(block.get(), TRUE, &created))) {
        return false;
    }
    // The stream frees the block with its last reference.
    block.release();
    const UniqueComReference<IStream> stream(created);
    bool opaque = false;
    {
        Gdiplus::Bitmap picture(stream.get());
        Gdiplus::BitmapData data{};
        Gdiplus::Rect all(0, 0, static_cast<INT>(picture.GetWidth()), static_cast<INT>(picture.GetHeight()));
        if (picture.LockBits(&all, Gdiplus::ImageLockModeRead, PixelFormat32bppARGB, &data) == Gdiplus::Ok) {
            opaque = true;
            for (UINT y = 0; y < data.Height; ++y) {
                const auto* row = static_cast<const BYTE*>(data.Scan0) + static_cast<ptrdiff_t>(y) * data.Stride;
                for (UINT x = 0; x < data.Width; ++x) {
                    opaque = opaque && row[x * 4 + 3] == 0xFF;
                }
            }
            picture.UnlockBits(&data);
        }
    }
    return opaque;
}

TEST_F(Catalogue, EveryPngIsA190By114OpaquePictureOfItsColourType) {
    ASSERT_TRUE(s_module);
    for (const auto& [ids, colourType] : {std::pair{kRgbPngs, 2}, std::pair{kRgbaPngs, 6}}) {
        for (WORD id : ids) {
            SCOPED_TRACE(::testing::Message() << "PNG " << id);
            EXPECT_EQ(Languages(kPngType, MAKEINTRESOURCEW(id)), std::vector<WORD>{kLanguage});
            const std::vector<BYTE> png = Bytes(kPngType, MAKEINTRESOURCEW(id));
            ASSERT_GE(png.size(), 33u);
            EXPECT_EQ(std::memcmp(png.data(), "\x89PNG\r\n\x1a\n", 8), 0);
            EXPECT_EQ(std::memcmp(png.data() + 12, "IHDR", 4), 0);
            EXPECT_EQ(BigEndian32(png.data() + 16), 190u);
            EXPECT_EQ(BigEndian32(png.data() + 20), 114u);
            EXPECT_EQ(png[24], 8) << "bits per channel";
            EXPECT_EQ(png[25], colourType);
            EXPECT_EQ(png[28], 0) << "not interlaced";
            EXPECT_TRUE(AllOpaque(png));
        }
    }
}

// The masters a display that scales draws from: every picture of the
// catalogue, the battery bitmaps included, at 150, 200 and 300 % under its
// own number in the type of its scale, an opaque PNG of the scale's size
// (rounded half up, as the OSD is) and of its picture's colour type.
TEST_F(Catalogue, EveryPictureHasAnOpaqueMasterAtEachLargerScale) {
    std::vector<std::pair<WORD, int>> pictures;
    for (WORD id : kRgbPngs) {
        pictures.emplace_back(id, 2);
    }
    for (WORD id : kRgbaPngs) {
        pictures.emplace_back(id, 6);
    }
    for (WORD id = 163; id <= 177; ++id) {
        pictures.emplace_back(id, 2);
    }
    for (const uint32_t percent : {150u, 200u, 300u}) {
        const std::wstring type = L"PNG" + std::to_wstring(percent);
        for (const auto& [id, colourType] : pictures) {
            SCOPED_TRACE(::testing::Message() << "PNG" << percent << " " << id);
            EXPECT_EQ(Languages(type.c_str(), MAKEINTRESOURCEW(id)), std::vector<WORD>{kLanguage});
            const std::vector<BYTE> png = Bytes(type.c_str(), MAKEINTRESOURCEW(id));
            ASSERT_GE(png.size(), 33u);
            EXPECT_EQ(std::memcmp(png.data() + 12, "IHDR", 4), 0);
            EXPECT_EQ(BigEndian32(png.data() + 16), (190 * percent + 50) / 100);
            EXPECT_EQ(BigEndian32(png.data() + 20), (114 * percent + 50) / 100);
            EXPECT_EQ(png[25], colourType);
            EXPECT_TRUE(AllOpaque(png));
        }
    }
}

TEST_F(Catalogue, EveryBitmapIsA16BitBottomUpPictureOf43362Bytes) {
    for (WORD id = 163; id <= 177; ++id) {
        SCOPED_TRACE(::testing::Message() << "bitmap " << id);
        EXPECT_EQ(Languages(RT_BITMAP, MAKEINTRESOURCEW(id)), std::vector<WORD>{kLanguage});
        const std::vector<BYTE> bitmap = Bytes(RT_BITMAP, MAKEINTRESOURCEW(id));
        ASSERT_EQ(bitmap.size(), 43362u);
        BITMAPINFOHEADER header;
        std::memcpy(&header, bitmap.data(), sizeof(header));
        EXPECT_EQ(header.biSize, 40u);
        EXPECT_EQ(header.biWidth, 190);
        EXPECT_EQ(header.biHeight, 114) << "positive: bottom-up";
        EXPECT_EQ(header.biPlanes, 1);
        EXPECT_EQ(header.biBitCount, 16);
        EXPECT_EQ(header.biCompression, static_cast<DWORD>(BI_RGB)) << "5-5-5";
    }
}

TEST_F(Catalogue, IdsThatHoldNoPictureStayEmpty) {
    std::vector<WORD> empty = {159, 160, 161, 162, 178, 189, 190, 191, 192, 193, 195};
    for (WORD id : empty) {
        EXPECT_EQ(::FindResourceW(s_module.get(), MAKEINTRESOURCEW(id), kPngType), nullptr) << id;
        EXPECT_EQ(::FindResourceW(s_module.get(), MAKEINTRESOURCEW(id), RT_BITMAP), nullptr) << id;
    }
    // Exactly the catalogue's pictures, nothing more.
    std::set<WORD> pngs;
    ::EnumResourceNamesW(s_module.get(), kPngType, &AddName, reinterpret_cast<LONG_PTR>(&pngs));
    EXPECT_EQ(pngs.size(), 43u);
}

// One control or the dialog itself, as the template holds it.
struct Item {
    DWORD style = 0;
    DWORD exStyle = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    DWORD id = 0;
    std::wstring cls;    // "#128" for an ordinal
    std::wstring title;  // "#128" for an ordinal
};

struct Template {
    Item dialog;
    std::wstring menu;
    WORD pointSize = 0;
    WORD weight = 0;
    BYTE italic = 0;
    BYTE charset = 0;
    std::wstring typeface;
    std::vector<Item> controls;
};

class Reader {
public:
    explicit Reader(const std::vector<BYTE>& bytes) : m_bytes(bytes) {}
    WORD Word() { return Take<WORD>(); }
    DWORD Dword() { return Take<DWORD>(); }
    short Short() { return static_cast<short>(Take<WORD>()); }
    BYTE Byte() { return m_pos < m_bytes.size() ? m_bytes[m_pos++] : 0; }
    std::wstring Text() {
        std::wstring text;
        for (WORD c = Word(); c != 0 && m_pos < m_bytes.size(); c = Word()) {
            text += static_cast<wchar_t>(c);
        }
        return text;
    }
    std::wstring SzOrOrd() {
        const WORD first = Word();
        if (first == 0) {
            return L"";
        }
        if (first == 0xFFFF) {
            return L"#" + std::to_wstring(Word());
        }
        m_pos -= 2;
        return Text();
    }
    void AlignDword() { m_pos = (m_pos + 3) & ~size_t{3}; }
    void Skip(size_t n) { m_pos += n; }

private:
    template <class T>
    T Take() {
        T value{};
        if (m_pos + sizeof(T) <= m_bytes.size()) {
            std::memcpy(&value, m_bytes.data() + m_pos, sizeof(T));
        }
        m_pos += sizeof(T);
        return value;
    }
    const std::vector<BYTE>& m_bytes;
    size_t m_pos = 0;
};

Template ParseExtendedTemplate(const std::vector<BYTE>& bytes) {
    Template t;
    Reader r(bytes);
    EXPECT_EQ(r.Word(), 1) << "extended template";
    EXPECT_EQ(r.Word(), 0xFFFF);
    EXPECT_EQ(r.Dword(), 0u) << "help id";
    t.dialog.exStyle = r.Dword();
    t.dialog.style = r.Dword();
    const WORD count = r.Word();
    t.dialog.x = r.Short();
    t.dialog.y = r.Short();
    t.dialog.cx = r.Short();
    t.dialog.cy = r.Short();
    t.menu = r.SzOrOrd();
    t.dialog.cls = r.SzOrOrd();
    t.dialog.title = r.Text();
    if ((t.dialog.style & (DS_SETFONT | DS_FIXEDSYS)) != 0) {
        t.pointSize = r.Word();
        t.weight = r.Word();
        t.italic = r.Byte();
        t.charset = r.Byte();
        t.typeface = r.Text();
    }
    for (WORD i = 0; i < count; ++i) {
        r.AlignDword();
        Item item;
        EXPECT_EQ(r.Dword(), 0u) << "control help id";
        item.exStyle = r.Dword();
        item.style = r.Dword();
        item.x = r.Short();
        item.y = r.Short();
        item.cx = r.Short();
        item.cy = r.Short();
        item.id = r.Dword();
        item.cls = r.SzOrOrd();
        item.title = r.SzOrOrd();
        r.Skip(r.Word());
        t.controls.push_back(item);
    }
    return t;
}

constexpr DWORD kNoId = 0xFFFFFFFF;
const std::wstring kButton = L"#128";
const std::wstring kStatic = L"#130";

struct ExpectedTemplate {
    WORD id;
    DWORD style;
    DWORD exStyle;
    std::wstring cls;
    std::wstring title;
    short cx, cy;
    WORD pointSize, weight;
    BYTE charset;
    std::wstring typeface;
    std::vector<Item> controls;
};

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
constexpr DWORD kModalStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT;
const std::vector<Item> kOkCancel = {
    {kChild | WS_TABSTOP | BS_DEFPUSHBUTTON, 0, 130, 7, 50, 16, IDOK, kButton, L"OK"},
    {kChild | WS_TABSTOP | BS_PUSHBUTTON, 0, 130, 25, 50, 16, IDCANCEL, kButton, L"Cancel"},
};

TEST_F(Catalogue, DialogTemplatesHoldTheirStylesClassesTitlesAndControls) {
    const std::vector<ExpectedTemplate> templates = {
        {100,
         kModalStyle | DS_FIXEDSYS,
         0,
         L"",
         L"About VaskHotkey",
         235,
         55,
         8,
         0,
         1,
         L"MS Shell Dlg",
         {{kChild | SS_ICON, 0, 11, 17, 20, 20, kNoId, kStatic, L"#128"},
          {kChild | WS_GROUP | SS_LEFT | SS_NOPREFIX, 0, 40, 10, 119, 8, kNoId, kStatic, L"VaskHotkey Version 1.0"},
          {kChild | WS_GROUP | SS_LEFT, 0, 40, 25, 119, 20, kNoId, kStatic, L"Fn-key display for Korvelane notebooks"},
          {kChild | WS_GROUP | WS_TABSTOP | BS_DEFPUSHBUTTON, 0, 178, 7, 50, 16, IDOK, kButton, L"OK"}}},
        {102,
         WS_POPUP | WS_SYSMENU | DS_SETFONT | DS_FIXEDSYS,
         WS_EX_APPWINDOW | WS_EX_TRANSPARENT,
         L"VaskHotkeyClass",
         L"",
         320,
         200,
         8,
         0,
         1,
         L"MS Shell Dlg",
         {{kChild | WS_TABSTOP | BS_DEFPUSHBUTTON, 0, 263, 7, 50, 16, IDOK, kButton, L"OK"},
          {kChild | WS_TABSTOP | BS_PUSHBUTTON, 0, 263, 25, 50, 16, IDCANCEL, kButton, L"Cancel"},
          {kChild | WS_GROUP | SS_CENTER, 0, 10, 96, 300, 8, kNoId, kStatic, L"TODO: Place dialog controls here."}}},
        {103,
         kModalStyle,
         0,
         L"",
         L"Dialog",
         291,
         42,
         10,
         400,
         0,
         L"MS Sans Serif",
         {{kChild | WS_GROUP | SS_CENTER, 0, 7, 16, 277, 8, 1002, kStatic, L"Static"}}},
        {131, WS_POPUP | WS_SYSMENU | DS_SETFONT | DS_FIXEDSYS, 0, L"", L"", 187, 95, 8, 400, 1, L"MS Shell Dlg", {}},
        {189,
         kModalStyle,
         0,
         L"",
         L"Switch Graphic Card",
         154,
         64,
         11,
         400,
         0,
         L"Microsoft Sans Serif",
         {{kChild | WS_TABSTOP | BS_DEFPUSHBUTTON, 0, 7, 42, 60, 15, IDOK, kButton, L"Yes"},
          {kChild | WS_TABSTOP | BS_PUSHBUTTON, 0, 87, 42, 60, 15, IDCANCEL, kButton, L"Cancel"},
          {kChild | WS_GROUP | SS_CENTER, 0, 37, 16, 79, 12, kNoId, kStatic, L"Do you want to switch?"}}},
        {190,
         kModalStyle,
         0,
         L"",
         L"Korvelane On-Screen Display",
         127,
         32,
         11,
         400,
         0,
         L"Microsoft Sans Serif",
         {{kChild | WS_GROUP | SS_LEFT | SS_CENTERIMAGE, 0, 33, 7, 64, 18, kNoId, kStatic, L"Charging Disabled"}}},
        {130, kModalStyle | DS_FIXEDSYS, 0, L"", L"Dialog", 187, 95, 8, 400, 1, L"MS Shell Dlg", kOkCancel},
        {132, kModalStyle | DS_FIXEDSYS, 0, L"", L"Dialog", 187, 95, 8, 400, 1, L"MS Shell Dlg", kOkCancel},
        {133, WS_POPUP | WS_SYSMENU | DS_SETFONT | DS_FIXEDSYS, 0, L"", L"", 187, 95, 8, 400, 1, L"MS Shell Dlg", {}},
        {134, kModalStyle | DS_FIXEDSYS, 0, L"", L"Dialog", 187, 95, 8, 400, 1, L"MS Shell Dlg", kOkCancel},
        {135, WS_POPUP | WS_SYSMENU | DS_SETFONT | DS_FIXEDSYS, 0, L"", L"", 187, 95, 8, 400, 1, L"MS Shell Dlg", {}},
    };
    for (const ExpectedTemplate& e : templates) {
        SCOPED_TRACE(::testing::Message() << "dialog " << e.id);
        EXPECT_EQ(Languages(RT_DIALOG, MAKEINTRESOURCEW(e.id)), std::vector<WORD>{kLanguage});
        const Template t = ParseExtendedTemplate(Bytes(RT_DIALOG, MAKEINTRESOURCEW(e.id)));
        EXPECT_EQ(t.dialog.style, e.style) << std::hex << t.dialog.style;
        EXPECT_EQ(t.dialog.style & WS_VISIBLE, 0u);
        EXPECT_EQ(t.dialog.exStyle, e.exStyle);
        EXPECT_EQ(t.dialog.x, 0);
        EXPECT_EQ(t.dialog.y, 0);
        EXPECT_EQ(t.dialog.cx, e.cx);
        EXPECT_EQ(t.dialog.cy, e.cy);
        EXPECT_EQ(t.menu, L"");
        EXPECT_EQ(t.dialog.cls, e.cls);
        EXPECT_EQ(t.dialog.title, e.title);
        EXPECT_EQ(t.pointSize, e.pointSize);
        EXPECT_EQ(t.weight, e.weight);
        EXPECT_EQ(t.italic, 0);
        EXPECT_EQ(t.charset, e.charset);
        EXPECT_EQ(t.typeface, e.typeface);
        ASSERT_EQ(t.controls.size(), e.controls.size());
        for (size_t i = 0; i < e.controls.size(); ++i) {
            SCOPED_TRACE(::testing::Message() << "control " << i);
            const Item& got = t.controls[i];
            const Item& want = e.controls[i];
            EXPECT_EQ(got.style, want.style) << std::hex << got.style;
            EXPECT_EQ(got.exStyle, 0u);
            EXPECT_EQ(got.x, want.x);
            EXPECT_EQ(got.y, want.y);
            EXPECT_EQ(got.cx, want.cx);
            EXPECT_EQ(got.cy, want.cy);
            EXPECT_EQ(got.id, want.id);
            EXPECT_EQ(got.cls, want.cls);
            EXPECT_EQ(got.title, want.title);
        }
    }
}

INT_PTR CALLBACK IdleDialogProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

// The DPI a run of the text check below was started for, by the run before it.
constexpr char kCheckAtDpi[] = "VASK_CATALOGUE_DPI";

// Every text a dialog shows fits its control, laid out in the dialog's own
// font: a text cut off at the control's edge is a text the user never reads.
// At the system's DPI of this run, and, from the first run, at 150 and 200 %:
// a per-monitor aware program's dialogs are laid out again at the display's
// DPI from their templates, with fonts that do not grow exactly with it. A
// process takes the DPI (LogPixels) when it starts, so each scale is a run of
// this check of its own.
TEST_F(Catalogue, EveryDialogTextFitsItsControl) {
    if (const char* dpi = std::getenv(kCheckAtDpi)) {
        const WindowDc screen(nullptr);
        ASSERT_EQ(::GetDeviceCaps(screen.get(), LOGPIXELSY), std::atoi(dpi)) << "the run did not get its DPI";
    }
    ExpectEveryDialogTextFits();
    if (std::getenv(kCheckAtDpi) != nullptr) {
        return;
    }
    for (const DWORD dpi : {144u, 192u}) {
        SCOPED_TRACE(::testing::Message() << "at " << dpi << " DPI");
        const observe::ScopedRegistryValue logPixels(HKEY_CURRENT_USER, L"Control Panel\\Desktop", L"LogPixels",
                                                     REG_DWORD, observe::ScopedRegistryValue::Dword(dpi));
        ASSERT_TRUE(logPixels.Written());
        ::SetEnvironmentVariableA(kCheckAtDpi, std::to_string(dpi).c_str());
        wchar_t self[MAX_PATH] = {};
        ::GetModuleFileNameW(nullptr, self, MAX_PATH);
        const observe::ProcessResult run =
            observe::RunProcess(self, L"--gtest_filter=Catalogue.EveryDialogTextFitsItsControl", 60000);
        ::SetEnvironmentVariableA(kCheckAtDpi, nullptr);
        EXPECT_TRUE(run.started);
        EXPECT_EQ(run.exitCode, 0u) << run.out << run.err;
        EXPECT_NE(run.out.find("[  PASSED  ] 1 test"), std::string::npos) << run.out;
    }
}

void Catalogue::ExpectEveryDialogTextFits() {
    // The guest notice shows the text it sets when it opens, not its template's.
    const std::vector<std::pair<WORD, const wchar_t*>> dialogs = {
        {100, nullptr},
        {189, nullptr},
        {190, nullptr},
        {103, L"Your user account configuration does not allow the appliction to run property"}};
    for (const auto& [id, shownText] : dialogs) {
        SCOPED_TRACE(::testing::Message() << "dialog " << id);
        HRSRC resource = ::FindResourceW(s_module.get(), MAKEINTRESOURCEW(id), RT_DIALOG);
        ASSERT_NE(resource, nullptr);
        auto* dialogTemplate = static_cast<LPCDLGTEMPLATEW>(::LockResource(::LoadResource(s_module.get(), resource)));
        HWND dialog = ::CreateDialogIndirectParamW(s_module.get(), dialogTemplate, nullptr, &IdleDialogProc, 0);
        ASSERT_NE(dialog, nullptr);
        int measured = 0;
        for (HWND control = ::GetWindow(dialog, GW_CHILD); control != nullptr;
             control = ::GetWindow(control, GW_HWNDNEXT)) {
            wchar_t cls[16] = {};
            ::GetClassNameW(control, cls, 16);
            const LONG style = ::GetWindowLongW(control, GWL_STYLE);
            const LONG kind = style & SS_TYPEMASK;
            if (lstrcmpiW(cls, L"Static") != 0 ||
                (kind != SS_LEFT && kind != SS_CENTER && kind != SS_RIGHT && kind != SS_LEFTNOWORDWRAP)) {
                continue;
            }
            if (shownText != nullptr) {
                ::SetWindowTextW(control, shownText);
            }
            wchar_t text[256] = {};
            ::GetWindowTextW(control, text, 256);
            RECT client{};
            ::GetClientRect(control, &client);
            RECT needed{0, 0, client.right, 0};
            const bool oneLine = (style & SS_CENTERIMAGE) != 0 || kind == SS_LEFTNOWORDWRAP;
            {
                const WindowDc dc(control);
                const SelectGuard font(dc.get(), reinterpret_cast<HFONT>(::SendMessageW(control, WM_GETFONT, 0, 0)));
                ::DrawTextW(dc.get(), text, -1, &needed,
                            DT_CALCRECT | (oneLine ? DT_SINGLELINE : DT_WORDBREAK) |
                                ((style & SS_NOPREFIX) != 0 ? DT_NOPREFIX : 0));
            }
            EXPECT_LE(needed.right, client.right) << "too wide: " << ::testing::PrintToString(std::wstring(text));
            EXPECT_LE(needed.bottom, client.bottom) << "too tall: " << ::testing::PrintToString(std::wstring(text));
            ++measured;
        }
        EXPECT_GT(measured, 0);
        ::DestroyWindow(dialog);
    }
}

TEST_F(Catalogue, IconGroupHasNineImagesAtThreeSizesAndDepths) {
    EXPECT_EQ(Languages(RT_GROUP_ICON, MAKEINTRESOURCEW(128)), std::vector<WORD>{kLanguage});
    const std::vector<BYTE> group = Bytes(RT_GROUP_ICON, MAKEINTRESOURCEW(128));
    ASSERT_GE(group.size(), 6u);
    WORD count = 0;
    std::memcpy(&count, group.data() + 4, 2);
    ASSERT_EQ(count, 9);
    ASSERT_EQ(group.size(), 6u + 9u * 14u);
    std::set<std::pair<int, int>> images;
    for (WORD i = 0; i < count; ++i) {
        const BYTE* entry = group.data() + 6 + i * 14;
        WORD bitCount = 0;
        std::memcpy(&bitCount, entry + 6, 2);
        images.insert({entry[0], bitCount});
    }
    EXPECT_EQ(images, (std::set<std::pair<int, int>>{
                          {48, 4}, {48, 8}, {48, 24}, {32, 4}, {32, 8}, {32, 24}, {16, 4}, {16, 8}, {16, 24}}));
}

TEST_F(Catalogue, AboutStringManifestAndVersionBlock) {
    // String 101 sits in block 7 (strings 96..111), as the fifth entry.
    const std::vector<BYTE> block = Bytes(RT_STRING, MAKEINTRESOURCEW(101 / 16 + 1));
    ASSERT_FALSE(block.empty());
    Reader strings(block);
    std::wstring text;
    for (int i = 0; i <= 101 % 16; ++i) {
        const WORD length = strings.Word();
        text.clear();
        for (WORD c = 0; c < length; ++c) {
            text += static_cast<wchar_t>(strings.Word());
        }
    }
    EXPECT_EQ(text, L"&About VaskHotkey...");

    EXPECT_EQ(Languages(RT_MANIFEST, MAKEINTRESOURCEW(1)), std::vector<WORD>{kManifestLanguage});
    const std::vector<BYTE> manifest = Bytes(RT_MANIFEST, MAKEINTRESOURCEW(1), kManifestLanguage);
    const std::string xml(manifest.begin(), manifest.end());
    EXPECT_NE(xml.find("name=\"Microsoft.Windows.Common-Controls\""), std::string::npos);
    EXPECT_NE(xml.find("version=\"6.0.0.0\""), std::string::npos);
#ifdef _WIN64
    EXPECT_NE(xml.find("processorArchitecture=\"amd64\""), std::string::npos);
#else
    EXPECT_NE(xml.find("processorArchitecture=\"x86\""), std::string::npos);
#endif
    EXPECT_EQ(xml.find("requestedExecutionLevel"), std::string::npos);

    EXPECT_EQ(Languages(RT_VERSION, MAKEINTRESOURCEW(1)), std::vector<WORD>{kLanguage});
    const std::vector<BYTE> version = Bytes(RT_VERSION, MAKEINTRESOURCEW(1));
    ASSERT_FALSE(version.empty());
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT size = 0;
    std::vector<BYTE> copy = version;  // VerQueryValue wants writable memory
    ASSERT_TRUE(::VerQueryValueW(copy.data(), L"\\", reinterpret_cast<void**>(&fixed), &size));
    EXPECT_EQ(fixed->dwFileVersionMS, 0u);
    EXPECT_EQ(fixed->dwFileVersionLS, 15u);
    EXPECT_EQ(fixed->dwProductVersionLS, 15u);
    EXPECT_EQ(fixed->dwFileFlagsMask, 0x3Fu);
    EXPECT_EQ(fixed->dwFileFlags, 0u);
    EXPECT_EQ(fixed->dwFileOS, static_cast<DWORD>(VOS__WINDOWS32));
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));
    for (const wchar_t* key : {L"FileDescription", L"InternalName", L"OriginalFilename", L"ProductName"}) {
        wchar_t* value = nullptr;
        const std::wstring path = std::wstring(L"\\StringFileInfo\\040904e4\\") + key;
        ASSERT_TRUE(::VerQueryValueW(copy.data(), path.c_str(), reinterpret_cast<void**>(&value), &size)) << key;
        EXPECT_STREQ(value, L"Korvelane On-Screen Display");
    }
    wchar_t* fileVersion = nullptr;
    ASSERT_TRUE(::VerQueryValueW(copy.data(), L"\\StringFileInfo\\040904e4\\FileVersion",
                                 reinterpret_cast<void**>(&fileVersion), &size));
    EXPECT_STREQ(fileVersion, L"0, 0, 0, 15");
}

}  // namespace
