#include "osd/Function_UI.h"

#include "framework/DebugOutput.h"
#include "framework/WinApp.h"
#include "res/resource.h"

namespace {

constexpr wchar_t kOsdWindowText[] = L"Function_control_window";

// Windows 10 1703's messages to a window whose DPI changes; older headers
// lack them.
constexpr UINT kDpiChanged = 0x02E0;        // WM_DPICHANGED
constexpr UINT kGetDpiScaledSize = 0x02E4;  // WM_GETDPISCALEDSIZE

}  // namespace

BEGIN_MESSAGE_MAP(Function_UI, CDialog)
ON_WM_CREATE()
ON_WM_TIMER()
ON_COMMAND(IDOK, OnIgnoreCommand)
ON_COMMAND(IDCANCEL, OnIgnoreCommand)
ON_MESSAGE(WM_DISPLAYCHANGE, OnDisplayChange)
ON_MESSAGE(kDpiChanged, OnDpiChanged)
ON_MESSAGE(kGetDpiScaledSize, OnGetDpiScaledSize)
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
    // In the coordinates the window is placed in. The display mode is the
    // panel's pixels, but a program without DPI awareness is shown a desktop
    // scaled down by the user's display scaling (1280 x 800 for a 1920 x 1200
    // panel at 150 %): centred on the mode, the OSD would sit low and right,
    // and off the screen at 250 %.
    const int x = ::GetSystemMetrics(SM_CXSCREEN) / 2 - kOsdPictureWidth / 2;
    const int y = ::GetSystemMetrics(SM_CYSCREEN) / 2 - kOsdPictureHeight / 2;
    // No SWP_NOSIZE: the window is 0 x 0 until a picture is drawn into it, and
    // hidden, so a display change takes a showing OSD away at once. Not
    // activated: for a window that is hidden already the system drops the
    // hide flag and would otherwise make it the active window, which then
    // receives the user's typing.
    ::SetWindowPos(m_hWnd, HWND_TOPMOST, x, y, 0, 0, SWP_HIDEWINDOW | SWP_NOACTIVATE);
}

LRESULT Function_UI::OnDisplayChange(WPARAM, LPARAM) {
    CentreOnPrimaryDisplay();
    // Monitors and their scales may all have changed.
    m_view.DropScaled();
    return 0;
}

LRESULT Function_UI::OnDpiChanged(WPARAM, LPARAM) {
    // The OSD sizes and places itself at every show; the system's suggested
    // rectangle, and the dialog manager's scaling, would only undo that. A
    // showing OSD goes, as at a display change.
    ShowWindow(SW_HIDE);
    m_view.DropScaled();
    return 0;
}

LRESULT Function_UI::OnGetDpiScaledSize(WPARAM, LPARAM lParam) {
    // The size it has: the next show gives it the new one.
    RECT window{};
    ::GetWindowRect(m_hWnd, &window);
    auto* size = reinterpret_cast<SIZE*>(lParam);
    size->cx = window.right - window.left;
    size->cy = window.bottom - window.top;
    return TRUE;
}

void Function_UI::RunNotice(CDialog& notice) {
    notice.SetOpeningArea(m_view.NoticeArea());
    notice.DoModal();
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
    if (m_view.Places()) {
        return RenderPlaced();
    }
    RECT windowRect{};
    ::GetWindowRect(m_hWnd, &windowRect);
    POINT destination{windowRect.left, windowRect.top};

    // Without a current picture the window turns fully transparent at its
    // last size.
    std::shared_ptr<const LayeredPicture> picture = m_pImageBack;
    if (!picture || picture->width != m_nImageWidth || picture->height != m_nImageHeight) {
        picture = DrawLayeredPicture(nullptr, m_nImageWidth, m_nImageHeight);
    }
    // Without pixels (no picture size, or no memory) the window keeps what it
    // showed before.
    if (picture) {
        UpdateWindowPixels(*picture, &destination);
    }
    return 0;
}

void Function_UI::UpdateWindowPixels(const LayeredPicture& picture, POINT* destination) {
    // Layered from the first render on; setting the style again would only
    // send the window two style messages per key.
    const LONG exStyle = ::GetWindowLongW(m_hWnd, GWL_EXSTYLE);
    if ((exStyle & WS_EX_LAYERED) == 0) {
        ::SetWindowLongW(m_hWnd, GWL_EXSTYLE, exStyle | WS_EX_LAYERED);
    }
    POINT source{0, 0};
    SIZE size{picture.width, picture.height};
    BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    UniqueMemoryDc memoryDc(::CreateCompatibleDC(nullptr));
    SelectGuard selected(memoryDc.get(), picture.pixels.get());
    ::UpdateLayeredWindow(m_hWnd, nullptr, destination, &size, memoryDc.get(), &source, 0, &blend, ULW_ALPHA);
}

int Function_UI::RenderPlaced() {
    const OsdView::Placement placement = m_view.LayOut(m_nImageWidth, m_nImageHeight);
    const OsdLayout& layout = placement.layout;
    std::shared_ptr<const LayeredPicture> picture = m_pImageBack;
    if (picture && (picture->width != layout.width || picture->height != layout.height)) {
        picture = m_view.Picture(m_nPictureId, layout, picture.get());
    }
    // As at 100 %: without a picture the window turns fully transparent at
    // the last size, and without pixels it keeps what it showed.
    if (!picture) {
        picture = DrawLayeredPicture(nullptr, layout.width, layout.height);
    }
    if (!picture) {
        return 0;
    }
    // A showing OSD stays where it is while the user's screen and its scale
    // do; a new show goes to the screen of the moment.
    const bool staysPut = ::IsWindowVisible(m_hWnd) && placement.monitor == m_hShownOn && layout.dpi == m_nShownDpi;
    m_hShownOn = placement.monitor;
    m_nShownDpi = layout.dpi;
    POINT destination{layout.x, layout.y};
    UpdateWindowPixels(*picture, staysPut ? nullptr : &destination);
    return 0;
}

BOOL Function_UI::LoadPngPicture(uint16_t id) {
    m_pImageBack.reset();
    m_nPictureId = id;

    const auto loaded = m_loadedPictures.find(id);
    if (loaded != m_loadedPictures.end()) {
        m_pImageBack = loaded->second;
        m_nImageWidth = m_pImageBack->width;
        m_nImageHeight = m_pImageBack->height;
        return TRUE;
    }
    PngLoad load = LoadLayeredPng(AfxGetResourceHandle(), id);
    if (!load.allocated) {
        DiagnosticLine(L"Load Png Background Failed");
        return FALSE;
    }
    // A picture that is missing or does not decode is 0 x 0, so the next
    // render draws nothing new; it is not a success. Nor is one without
    // memory for its pixels, which is not kept and is tried again next time.
    m_nImageWidth = load.width;
    m_nImageHeight = load.height;
    if (!load.picture) {
        return FALSE;
    }
    m_pImageBack = std::move(load.picture);
    m_loadedPictures.emplace(id, m_pImageBack);
    return TRUE;
}

BOOL Function_UI::LoadBitmapFromIDResource(uint16_t id, HINSTANCE hInstance) {
    DiagnosticLine(L"enter LoadBitmapFromIDResource");
    DiagnosticLine(L"nid=%d", id);
    m_nPictureId = id;

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

    // Takes the picture's size and goes to the top of the top-most band,
    // without taking the keyboard from the application in front. A placed
    // show takes its size with its pixels, at the monitor's scale.
    ::SetWindowPos(m_hWnd, HWND_TOP, 0, 0, m_nImageWidth, m_nImageHeight,
                   SWP_NOMOVE | SWP_NOACTIVATE | (m_view.Places() ? SWP_NOSIZE : 0));
    bitmap.reset();  // the GDI+ picture holds its own copy of the pixels
    m_pImageBack = DrawLayeredPicture(picture.get(), m_nImageWidth, m_nImageHeight);
    RenderLayered();
    return TRUE;
}

void Function_UI::BringToFront() {
    // Above every window, full-screen ones included, yet never the active
    // window: a window without controls that took the keyboard would swallow
    // what the user types while it shows, and hand the focus to whichever
    // window comes next when it hides.
    ::SetWindowPos(m_hWnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}
