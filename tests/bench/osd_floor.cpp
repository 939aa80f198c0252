// The floor the key benchmark measures the program against: the least any
// program can do to put the wireless picture on screen for the wireless key.
// It enters hotkey mode first thing, decodes both wireless pictures once, the
// way the program does, and then, for each release of the key its low-level
// hook posts to its own window, hands the other picture to a 190 x 114
// layered window centred where the OSD shows, and shows it. Nothing else:
// no vendor read, no diagnostic line, no timer.
#include <windows.h>

#include <cstdio>
#include <memory>

#include "hotkeys/DecisionTable.h"
#include "osd/LayeredPicture.h"
#include "osd/WirelessRules.h"
#include "platform/VendorApi.h"

namespace {

constexpr wchar_t kFloorClass[] = L"VaskFloorOsdClass";
constexpr UINT WM_FLOOR_KEY = WM_APP + 1;
constexpr int kWidth = 190;
constexpr int kHeight = 114;

HHOOK g_hook = nullptr;
HWND g_window = nullptr;
std::shared_ptr<const LayeredPicture> g_pictures[2];
int g_next = 0;
POINT g_position{};
HDC g_memoryDc = nullptr;

void Show(const LayeredPicture& picture) {
    SIZE size{kWidth, kHeight};
    POINT origin{0, 0};
    BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    ::SelectObject(g_memoryDc, picture.pixels.get());
    ::UpdateLayeredWindow(g_window, nullptr, &g_position, &size, g_memoryDc, &origin, 0, &blend, ULW_ALPHA);
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
            Show(*g_pictures[g_next]);
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
    g_pictures[0] = LoadLayeredPng(instance, kWirelessOnPictureId).picture;
    g_pictures[1] = LoadLayeredPng(instance, kWirelessOffPictureId).picture;
    Gdiplus::GdiplusShutdown(token);
    g_memoryDc = ::CreateCompatibleDC(nullptr);
    if (!g_pictures[0] || !g_pictures[1] || g_memoryDc == nullptr) {
        std::fprintf(stderr, "osd_floor: the wireless pictures do not decode\n");
        return 1;
    }

    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = &FloorWindow;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = kFloorClass;
    ::RegisterClassW(&windowClass);
    g_position = {::GetSystemMetrics(SM_CXSCREEN) / 2 - kWidth / 2, ::GetSystemMetrics(SM_CYSCREEN) / 2 - kHeight / 2};
    g_window =
        ::CreateWindowExW(WS_EX_LAYERED | WS_EX_TOPMOST | WS_EX_TOOLWINDOW, kFloorClass, L"VaskHotkey floor OSD",
                          WS_POPUP, g_position.x, g_position.y, kWidth, kHeight, nullptr, nullptr, instance, nullptr);
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
