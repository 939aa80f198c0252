#include "osd/OsdView.h"

#include <algorithm>

#include "framework/DebugOutput.h"
#include "framework/LateBound.h"
#include "framework/WinApp.h"

namespace {

constexpr int kEffectiveDpi = 0;         // MDT_EFFECTIVE_DPI
constexpr DWORD kCloakedAttribute = 14;  // DWMWA_CLOAKED, Windows 8 and later
constexpr wchar_t kShellBackground[] = L"Progman";
constexpr wchar_t kShellWorker[] = L"WorkerW";

bool IsShellWindow(HWND window) {
    if (window == ::GetShellWindow() || window == ::GetDesktopWindow()) {
        return true;
    }
    wchar_t className[16] = {};
    ::GetClassNameW(window, className, 16);
    return lstrcmpW(className, kShellBackground) == 0 || lstrcmpW(className, kShellWorker) == 0;
}

ScreenRect FromRect(const RECT& rect) { return {rect.left, rect.top, rect.right, rect.bottom}; }

}  // namespace

void OsdView::Configure(const OsdDisplaySettings& settings) {
    m_settings = settings;
    m_scaled.clear();
    // Looked up, never imported: a system without them must still start the
    // program, which then reads the system's DPI and sees nothing cloaked.
    if (m_settings.sharp && !m_shcore) {
        m_shcore.reset(::LoadLibraryW(L"shcore.dll"));
        m_dpiForMonitor = LookUp<DpiForMonitor>(m_shcore.get(), "GetDpiForMonitor");
        using DpiForSystem = UINT(WINAPI*)();
        if (const auto systemDpi = LookUp<DpiForSystem>(::GetModuleHandleW(L"user32.dll"), "GetDpiForSystem")) {
            m_systemDpi = systemDpi();
        } else if (const HDC screen = ::GetDC(nullptr)) {
            m_systemDpi = static_cast<uint32_t>(::GetDeviceCaps(screen, LOGPIXELSX));
            ::ReleaseDC(nullptr, screen);
        }
    }
    if (m_settings.screen == OsdScreen::Active && !m_dwmapi) {
        m_dwmapi.reset(::LoadLibraryW(L"dwmapi.dll"));
        m_windowAttribute = LookUp<WindowAttribute>(m_dwmapi.get(), "DwmGetWindowAttribute");
    }
}

uint32_t OsdView::DpiOf(HMONITOR monitor) const {
    UINT x = 0;
    UINT y = 0;
    if (m_dpiForMonitor != nullptr && SUCCEEDED(m_dpiForMonitor(monitor, kEffectiveDpi, &x, &y)) && x != 0) {
        return x;
    }
    return m_systemDpi;
}

bool OsdView::Cloaked(HWND window) const {
    DWORD cloaked = 0;
    // A system that cannot say (Windows 7, no composition) cloaks nothing.
    return m_windowAttribute != nullptr &&
           SUCCEEDED(m_windowAttribute(window, kCloakedAttribute, &cloaked, sizeof(cloaked))) && cloaked != 0;
}

OsdScene OsdView::SceneNow(std::vector<HMONITOR>* handles) const {
    OsdScene scene;
    // Each monitor named once, as it is now; one the system cannot describe
    // any longer (unplugged a moment ago) is named not at all.
    const auto indexOf = [&](HMONITOR monitor) -> int {
        if (monitor == nullptr) {
            return -1;
        }
        const auto known = std::find(handles->begin(), handles->end(), monitor);
        if (known != handles->end()) {
            return static_cast<int>(known - handles->begin());
        }
        MONITORINFO info{};
        info.cbSize = sizeof(info);
        if (!::GetMonitorInfoW(monitor, &info)) {
            return -1;
        }
        const uint32_t dpi = m_settings.sharp ? DpiOf(monitor) : kBaseDpi;
        scene.monitors.push_back({FromRect(info.rcMonitor), FromRect(info.rcWork), dpi});
        handles->push_back(monitor);
        return static_cast<int>(handles->size()) - 1;
    };
    scene.primary = indexOf(::MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY));
    if (m_settings.screen != OsdScreen::Active) {
        return scene;
    }
    if (const HWND front = ::GetForegroundWindow()) {
        DWORD process = 0;
        ::GetWindowThreadProcessId(front, &process);
        ForegroundView& view = scene.foreground;
        view.exists = true;
        view.visible = ::IsWindowVisible(front) != FALSE;
        view.minimised = ::IsIconic(front) != FALSE;
        view.cloaked = Cloaked(front);
        view.ours = process == ::GetCurrentProcessId();
        view.shell = IsShellWindow(front);
        view.monitor = indexOf(::MonitorFromWindow(front, MONITOR_DEFAULTTONULL));
    }
    POINT cursor{};
    if (::GetCursorPos(&cursor)) {
        scene.cursorMonitor = indexOf(::MonitorFromPoint(cursor, MONITOR_DEFAULTTONULL));
    }
    return scene;
}

OsdView::Placement OsdView::LayOut(int32_t width, int32_t height) const {
    std::vector<HMONITOR> handles;
    const OsdScene scene = SceneNow(&handles);
    Placement placement;
    placement.layout = LayOutOsd(m_settings, scene, width, height);
    if (placement.layout.monitor >= 0) {
        placement.monitor = handles[static_cast<size_t>(placement.layout.monitor)];
    }
    return placement;
}

std::optional<RECT> OsdView::NoticeArea() const {
    if (m_settings.screen != OsdScreen::Active) {
        return std::nullopt;
    }
    std::vector<HMONITOR> handles;
    const OsdScene scene = SceneNow(&handles);
    const int chosen = ChooseOsdMonitor(m_settings.screen, scene);
    if (chosen < 0) {
        return std::nullopt;
    }
    const ScreenRect& work = scene.monitors[static_cast<size_t>(chosen)].work;
    return RECT{work.left, work.top, work.right, work.bottom};
}

std::shared_ptr<const LayeredPicture> OsdView::Picture(uint16_t id, const OsdLayout& layout,
                                                       const LayeredPicture* fallback) {
    for (auto kept = m_scaled.begin(); kept != m_scaled.end(); ++kept) {
        if (kept->id == id && kept->width == layout.width && kept->height == layout.height) {
            m_scaled.splice(m_scaled.begin(), m_scaled, kept);
            return m_scaled.front().picture;
        }
    }
    const wchar_t* type = MasterResourceType(layout.source.masterPercent);
    std::optional<PixelImage> master =
        type != nullptr ? DecodePngPixels(AfxGetResourceHandle(), id, type) : std::nullopt;
    PictureFilter filter = layout.source.filter;
    if (!master) {
        if (fallback == nullptr) {
            return nullptr;
        }
        // Blurred, but the right picture at the right size.
        DiagnosticLine(L"[VaskHotkey]Picture %u has no %u %% master; drawn from its 100 %% picture\n",
                       static_cast<unsigned>(id), static_cast<unsigned>(layout.source.masterPercent));
        master = PixelsOf(*fallback);
        filter = layout.width > master->width ? PictureFilter::Enlarge : PictureFilter::Shrink;
    }
    std::shared_ptr<const LayeredPicture> picture =
        LayeredPictureFromPixels(ScalePicture(*master, layout.width, layout.height, filter));
    if (!picture) {
        return nullptr;
    }
    m_scaled.push_front({id, layout.width, layout.height, picture});
    if (m_scaled.size() > kMostScaledPictures) {
        m_scaled.pop_back();
    }
    return picture;
}
