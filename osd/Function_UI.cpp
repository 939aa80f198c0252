#include "osd/Function_UI.h"

#include <cstring>

#include "framework/DebugOutput.h"
#include "framework/WinApp.h"
#include "res/resource.h"

namespace {

constexpr wchar_t kOsdWindowText[] = L"Function_control_window";
constexpr wchar_t kPngResourceType[] = L"PNG";

// A picture decoded from a stream reads its bytes from that stream for as
// long as it lives. The stream owns a copy of the resource bytes and frees
// them when its last reference, the picture's, goes.
Gdiplus::Bitmap* DecodePngResource(HINSTANCE module, uint16_t id, bool* found) {
    *found = false;
    HRSRC resource = ::FindResourceW(module, MAKEINTRESOURCEW(id), kPngResourceType);
    const DWORD size = resource != nullptr ? ::SizeofResource(module, resource) : 0;
    const void* bytes = size != 0 ? ::LockResource(::LoadResource(module, resource)) : nullptr;
    HGLOBAL block = ::GlobalAlloc(GMEM_FIXED, size);
    if (block == nullptr) {
        return nullptr;
    }
    if (bytes != nullptr) {
        *found = true;
        std::memcpy(::GlobalLock(block), bytes, size);
        ::GlobalUnlock(block);
    }
    IStream* stream = nullptr;
    if (FAILED(::CreateStreamOnHGlobal(block, TRUE, &stream))) {
        ::GlobalFree(block);
        return nullptr;
    }
    auto* picture = new Gdiplus::Bitmap(stream);
    stream->Release();
    return picture;
}

// A picture the way the layered window takes it: a 32-bit section of
// premultiplied pixels, as per-pixel alpha requires, all transparent where
// the picture has none. Without a picture the section stays transparent.
// Null when no section of that size can be made (no size, or no memory).
std::shared_ptr<const LayeredPicture> DrawLayeredPicture(Gdiplus::Bitmap* picture, int width, int height) {
    BITMAPINFO info{};
    BITMAPINFOHEADER& header = info.bmiHeader;
    header.biSize = sizeof(BITMAPINFOHEADER);
    header.biWidth = width;
    header.biHeight = height;  // positive: bottom-up rows
    header.biPlanes = 1;
    header.biBitCount = 32;
    header.biCompression = BI_RGB;
    header.biSizeImage = static_cast<DWORD>(((width * 32 + 31) / 8) / 4 * 4 * height);
    void* pixels = nullptr;
    auto drawn = std::make_shared<LayeredPicture>();
    drawn->pixels.reset(::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &pixels, nullptr, 0));
    if (!drawn->pixels || pixels == nullptr) {
        return nullptr;
    }
    std::memset(pixels, 0, static_cast<size_t>(4) * width * height);
    drawn->width = width;
    drawn->height = height;
    // The picture's rows, premultiplied, straight into the section: what
    // drawing it at its own size through a premultiplied bitmap gives, without
    // two passes of drawing.
    Gdiplus::Rect whole(0, 0, width, height);
    Gdiplus::BitmapData rows{};
    if (picture != nullptr &&
        picture->LockBits(&whole, Gdiplus::ImageLockModeRead, PixelFormat32bppPARGB, &rows) == Gdiplus::Ok) {
        const size_t stride = static_cast<size_t>(4) * width;
        for (int row = 0; row < height; ++row) {
            // GDI+ hands the rows top-down; the section holds them bottom-up.
            std::memcpy(static_cast<char*>(pixels) + stride * (height - 1 - row),
                        static_cast<const char*>(rows.Scan0) + static_cast<ptrdiff_t>(rows.Stride) * row, stride);
        }
        picture->UnlockBits(&rows);
    }
    return drawn;
}

}  // namespace

BEGIN_MESSAGE_MAP(Function_UI, CDialog)
    ON_WM_CREATE()
    ON_WM_TIMER()
    ON_COMMAND(IDOK, OnIgnoreCommand)
    ON_COMMAND(IDCANCEL, OnIgnoreCommand)
    ON_MESSAGE(WM_DISPLAYCHANGE, OnDisplayChange)
END_MESSAGE_MAP()

Function_UI::Function_UI() : CDialog(IDD_OSD) {}

// The pictures are plain GDI sections by now; they go with the object.
Function_UI::~Function_UI() = default;

int Function_UI::OnCreate(LPCREATESTRUCTW cs) {
    if (CDialog::OnCreate(cs) == -1) {
        return -1;
    }
    m_nImageWidth = 0;
    m_nImageHeight = 0;
    m_pImageBack.reset();
    return 0;
}

BOOL Function_UI::OnInitDialog() {
    CDialog::OnInitDialog();
    ::SetWindowTextW(m_hWnd, kOsdWindowText);
    // Read once here; a refusal shows the guest notice, and start-up waits
    // for it to close.
    ReadBrightnessLevels();
    FillVolumeValues(m_nVolumeValue);
    CentreOnPrimaryDisplay();
    return TRUE;
}

void Function_UI::CentreOnPrimaryDisplay() {
    DEVMODEW mode{};
    mode.dmSize = sizeof(mode);
    ::EnumDisplaySettingsW(nullptr, ENUM_CURRENT_SETTINGS, &mode);
    const int x = static_cast<int>(mode.dmPelsWidth) / 2 - kOsdPictureWidth / 2;
    const int y = static_cast<int>(mode.dmPelsHeight) / 2 - kOsdPictureHeight / 2;
    // No SWP_NOSIZE: the window is 0 x 0 until a picture is drawn into it, and
    // hidden, so a display change takes a showing OSD away at once. Not
    // activated: for a window that is hidden already the system drops the
    // hide flag and would otherwise make it the active window, which then
    // receives the user's typing.
    ::SetWindowPos(m_hWnd, HWND_TOPMOST, x, y, 0, 0, SWP_HIDEWINDOW | SWP_NOACTIVATE);
}

LRESULT Function_UI::OnDisplayChange(WPARAM, LPARAM) {
    CentreOnPrimaryDisplay();
    return 0;
}

void Function_UI::OnIgnoreCommand() {
    // Enter, Esc and the close command never end the OSD.
}

void Function_UI::OnTimer(UINT_PTR nIDEvent) {
    // Each timer acts once per start; a timer this window does not know of
    // only hides it.
    switch (nIDEvent) {
    case OSD_TIMER_HIDE:
    case OSD_TIMER_BATTERY:
        KillTimer(nIDEvent);
        break;
    case OSD_TIMER_DISPLAY_COMMIT:
        KillTimer(nIDEvent);
        CommitDisplayOutput();
        break;
    default:
        break;
    }
    ShowWindow(SW_HIDE);
    CDialog::OnTimer(nIDEvent);
}

void Function_UI::RenderAndShow(UINT_PTR timerId) {
    RenderLayered();
    KillTimer(timerId);
    SetTimer(timerId, OSD_TIMER_PERIOD_MS);
    // Shown without activation: the user goes on typing into the application
    // in front while the display shows.
    ShowWindow(SW_SHOWNA);
}

int Function_UI::RenderLayered() {
    RECT windowRect{};
    ::GetWindowRect(m_hWnd, &windowRect);
    POINT destination{windowRect.left, windowRect.top};
    SIZE size{m_nImageWidth, m_nImageHeight};
    POINT source{0, 0};
    BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};

    // Without a current picture the window turns fully transparent at its
    // last size.
    std::shared_ptr<const LayeredPicture> picture = m_pImageBack;
    if (!picture || picture->width != size.cx || picture->height != size.cy) {
        picture = DrawLayeredPicture(nullptr, size.cx, size.cy);
    }
    // Without pixels (no picture size, or no memory) the window keeps what it
    // showed before.
    if (!picture) {
        return 0;
    }
    // Layered from the first render on; setting the style again would only
    // send the window two style messages per key.
    const LONG exStyle = ::GetWindowLongW(m_hWnd, GWL_EXSTYLE);
    if ((exStyle & WS_EX_LAYERED) == 0) {
        ::SetWindowLongW(m_hWnd, GWL_EXSTYLE, exStyle | WS_EX_LAYERED);
    }
    UniqueMemoryDc memoryDc(::CreateCompatibleDC(nullptr));
    SelectGuard selected(memoryDc.get(), picture->pixels.get());
    ::UpdateLayeredWindow(m_hWnd, nullptr, &destination, &size, memoryDc.get(), &source, 0, &blend, ULW_ALPHA);
    return 0;
}

BOOL Function_UI::LoadPngPicture(uint16_t id) {
    m_pImageBack.reset();

    const auto loaded = m_loadedPictures.find(id);
    if (loaded != m_loadedPictures.end()) {
        m_pImageBack = loaded->second;
        m_nImageWidth = m_pImageBack->width;
        m_nImageHeight = m_pImageBack->height;
        return TRUE;
    }
    bool found = false;
    std::unique_ptr<Gdiplus::Bitmap> decoded(DecodePngResource(AfxGetResourceHandle(), id, &found));
    if (!decoded) {
        DiagnosticLine(L"Load Png Background Failed");
        return FALSE;
    }
    // A picture that is missing or does not decode still leaves an object, of
    // size 0 x 0, so the next render draws nothing new; it is not a success.
    const bool ok = found && decoded->GetLastStatus() == Gdiplus::Ok;
    m_nImageWidth = ok ? static_cast<int>(decoded->GetWidth()) : 0;
    m_nImageHeight = ok ? static_cast<int>(decoded->GetHeight()) : 0;
    if (!ok || m_nImageWidth <= 0 || m_nImageHeight <= 0) {
        return FALSE;
    }
    m_pImageBack = DrawLayeredPicture(decoded.get(), m_nImageWidth, m_nImageHeight);
    if (!m_pImageBack) {
        return FALSE;  // no memory for its pixels: not kept, tried again next time
    }
    m_loadedPictures.emplace(id, m_pImageBack);
    return TRUE;
}

BOOL Function_UI::LoadBitmapFromIDResource(uint16_t id, HINSTANCE hInstance) {
    DiagnosticLine(L"enter LoadBitmapFromIDResource");
    DiagnosticLine(L"nid=%d", id);

    UniqueBitmap bitmap(::LoadBitmapW(hInstance, MAKEINTRESOURCEW(id)));
    if (!bitmap) {
        MessageBox(L"Load Bitmap image fail!", nullptr, MB_OK);
        return FALSE;
    }
    std::unique_ptr<Gdiplus::Bitmap> picture(new Gdiplus::Bitmap(bitmap.get(), nullptr));
    if (!picture) {
        m_pImageBack.reset();
        DiagnosticLine(L"m_pImageBack==NULL");
        return FALSE;
    }
    const bool decoded = picture->GetLastStatus() == Gdiplus::Ok;
    m_nImageWidth = decoded ? static_cast<int>(picture->GetWidth()) : 0;
    m_nImageHeight = decoded ? static_cast<int>(picture->GetHeight()) : 0;

    // Takes the picture's size and goes to the top of the top-most band.
    ::SetWindowPos(m_hWnd, HWND_TOP, 0, 0, m_nImageWidth, m_nImageHeight, SWP_NOMOVE);
    bitmap.reset();  // the GDI+ picture holds its own copy of the pixels
    m_pImageBack = DrawLayeredPicture(picture.get(), m_nImageWidth, m_nImageHeight);
    RenderLayered();
    return TRUE;
}

void Function_UI::BringToFront() {
    HWND foreground = ::GetForegroundWindow();
    const DWORD thisThread = ::GetCurrentThreadId();
    const DWORD foregroundThread = ::GetWindowThreadProcessId(foreground, nullptr);
    // Joining the foreground thread's input lets this window come forward
    // although the program never has the focus.
    ::AttachThreadInput(thisThread, foregroundThread, TRUE);
    ::SwitchToThisWindow(m_hWnd, TRUE);
    ::BringWindowToTop(m_hWnd);
    ::AttachThreadInput(thisThread, foregroundThread, FALSE);
}
