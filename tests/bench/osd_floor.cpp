// The floor the key benchmark measures the program against: the least any
// program can do to put the wireless picture on screen for the wireless key.
// It enters hotkey mode first thing, decodes both wireless pictures once into
// premultiplied bitmaps, and then, for each release of the key its low-level
// hook posts to its own window, hands the other picture to a 190 x 114
// layered window centred where the OSD shows, and shows it. Nothing else:
// no vendor read, no diagnostic line, no timer.
#include <windows.h>

#include <objidl.h>  // before gdiplus.h, which needs IStream
#include <gdiplus.h>

#include <cstdio>
#include <cstring>

#include "hotkeys/DecisionTable.h"
#include "osd/WirelessRules.h"
#include "platform/VendorApi.h"

namespace {

constexpr wchar_t kFloorClass[] = L"VaskFloorOsdClass";
constexpr UINT WM_FLOOR_KEY = WM_APP + 1;
constexpr int kWidth = 190;
constexpr int kHeight = 114;

struct Picture {
    HDC dc = nullptr;
    HBITMAP section = nullptr;
};

HHOOK g_hook = nullptr;
HWND g_window = nullptr;
Picture g_pictures[2];
int g_next = 0;
POINT g_position{};

bool Decode(uint16_t id, Picture* picture) {
    HRSRC resource = ::FindResourceW(nullptr, MAKEINTRESOURCEW(id), L"PNG");
    const DWORD size = resource != nullptr ? ::SizeofResource(nullptr, resource) : 0;
    const void* bytes = size != 0 ? ::LockResource(::LoadResource(nullptr, resource)) : nullptr;
    HGLOBAL block = bytes != nullptr ? ::GlobalAlloc(GMEM_FIXED, size) : nullptr;
    if (block == nullptr) {
        return false;
    }
    std::memcpy(block, bytes, size);
    IStream* stream = nullptr;
    if (FAILED(::CreateStreamOnHGlobal(block, TRUE, &stream))) {
        ::GlobalFree(block);
        return false;
    }
    Gdiplus::Bitmap decoded(stream);
    stream->Release();
    Gdiplus::Rect whole(0, 0, kWidth, kHeight);
    Gdiplus::BitmapData data{};
    if (decoded.GetLastStatus() != Gdiplus::Ok ||
        decoded.LockBits(&whole, Gdiplus::ImageLockModeRead, PixelFormat32bppPARGB, &data) != Gdiplus::Ok) {
        return false;
    }
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = kWidth;
    info.bmiHeader.biHeight = -kHeight;  // top-down, as GDI+ hands the rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* pixels = nullptr;
    picture->section = ::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &pixels, nullptr, 0);
    if (picture->section != nullptr) {
        for (int row = 0; row < kHeight; ++row) {
            std::memcpy(static_cast<char*>(pixels) + row * kWidth * 4,
                        static_cast<const char*>(data.Scan0) + row * data.Stride, kWidth * 4);
        }
        picture->dc = ::CreateCompatibleDC(nullptr);
        ::SelectObject(picture->dc, picture->section);
    }
    decoded.UnlockBits(&data);
    return picture->dc != nullptr;
}

void Show(const Picture& picture) {
    SIZE size{kWidth, kHeight};
    POINT origin{0, 0};
    BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    ::UpdateLayeredWindow(g_window, nullptr, &g_position, &size, picture.dc, &origin, 0, &blend, ULW_ALPHA);
    ::ShowWindow(g_window, SW_SHOWNA);
}

LRESULT CALLBACK FloorHook(int code, WPARAM wParam, LPARAM lParam) {
    if (const auto* event = reinterpret_cast<const KBDLLHOOKSTRUCT*>(lParam)) {
        ::PostMessageW(g_window, WM_FLOOR_KEY, event->flags, event->scanCode);
    }
    return ::CallNextHookEx(g_hook, code, wParam, lParam);
}

LRESULT CALLBACK FloorWindow(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_FLOOR_KEY:
        if (static_cast<uint32_t>(lParam) == ScanCode::kWireless &&
            (static_cast<uint32_t>(wParam) & KeyFlag::kExtendedRelease) == KeyFlag::kExtendedRelease) {
            Show(g_pictures[g_next]);
            g_next ^= 1;
        }
        return 0;
    case WM_CLOSE:
        ::DestroyWindow(window);
        return 0;
    case WM_DESTROY:
        ::PostQuitMessage(0);
        return 0;
    default:
        return ::DefWindowProcW(window, message, wParam, lParam);
    }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    uint8_t mode = HOTKEY_MODE_ENTER;
    ::KervoEvaluate(HOTKEY_MODE_COMMAND, &mode, 1, nullptr, 0);

    Gdiplus::GdiplusStartupInput input;
    ULONG_PTR token = 0;
    Gdiplus::GdiplusStartup(&token, &input, nullptr);
    const bool decoded = Decode(kWirelessOnPictureId, &g_pictures[0]) && Decode(kWirelessOffPictureId, &g_pictures[1]);
    Gdiplus::GdiplusShutdown(token);
    if (!decoded) {
        std::fprintf(stderr, "osd_floor: the wireless pictures do not decode\n");
        return 1;
    }

    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = &FloorWindow;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = kFloorClass;
    ::RegisterClassW(&windowClass);
    g_position = {::GetSystemMetrics(SM_CXSCREEN) / 2 - kWidth / 2, ::GetSystemMetrics(SM_CYSCREEN) / 2 - kHeight / 2};
    g_window = ::CreateWindowExW(WS_EX_LAYERED | WS_EX_TOPMOST | WS_EX_TOOLWINDOW, kFloorClass, L"VaskHotkey floor OSD",
                                 WS_POPUP, g_position.x, g_position.y, kWidth, kHeight, nullptr, nullptr, instance,
                                 nullptr);
    g_hook = ::SetWindowsHookExW(WH_KEYBOARD_LL, &FloorHook, instance, 0);
    if (g_window == nullptr || g_hook == nullptr) {
        std::fprintf(stderr, "osd_floor: no window or no hook\n");
        return 1;
    }
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        ::DispatchMessageW(&msg);
    }
    ::UnhookWindowsHookEx(g_hook);
    mode = HOTKEY_MODE_LEAVE;
    ::KervoEvaluate(HOTKEY_MODE_COMMAND, &mode, 1, nullptr, 0);
    return 0;
}
