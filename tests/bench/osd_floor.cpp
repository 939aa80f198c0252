// The floors the key benchmark measures the program against: the least any
// program can do for the same start and the same picture.
//
// Every floor starts as the program does before it enters hotkey mode: the
// three vendor libraries load with the executable, GDI+ starts and the
// common controls (version 6, through the same manifest) register. It then
// enters hotkey mode, decodes both wireless pictures once, the way the
// program does, and shows one of them for each release of the wireless key
// in a 190 x 114 layered window centred where the OSD shows.
//
//   osd_floor            the picture floor: its low-level hook, on the
//                        window's thread, posts the key to the window, which
//                        shows the other picture. Nothing else.
//   osd_floor wireless   the wireless-key floor: the hook runs on a thread of
//                        its own, and the window reads the switch from the
//                        embedded controller and writes the line the program
//                        writes before it shows the switch's picture.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cwchar>
#include <memory>

#include "framework/Handles.h"
#include "hotkeys/DecisionTable.h"
#include "osd/LayeredPicture.h"
#include "osd/WirelessRules.h"
#include "platform/VendorApi.h"
#include "tests/support/GdiplusSession.h"

namespace {

constexpr wchar_t kFloorClass[] = L"VaskFloorOsdClass";
constexpr UINT WM_FLOOR_KEY = WM_APP + 1;
constexpr int kWidth = 190;
constexpr int kHeight = 114;

// Named here so that the other two vendor libraries load with the executable,
// as the program's do, though the floor calls nothing of theirs.
const void* volatile g_vendorImports[] = {reinterpret_cast<const void*>(&GetMuteVista),
                                          reinterpret_cast<const void*>(&GetBatteryChargingDisable)};

HHOOK g_hook = nullptr;  // for CallNextHookEx; the thread that put the hook in owns it
HWND g_window = nullptr;
bool g_readsSwitch = false;
std::shared_ptr<const LayeredPicture> g_pictures[2];  // on, off
int g_next = 0;
POINT g_position{};
HDC g_memoryDc = nullptr;  // owned by wWinMain

void Show(const LayeredPicture& picture) {
    SIZE size{kWidth, kHeight};
    POINT origin{0, 0};
    BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    ::SelectObject(g_memoryDc, picture.pixels.get());
    ::UpdateLayeredWindow(g_window, nullptr, &g_position, &size, g_memoryDc, &origin, 0, &blend, ULW_ALPHA);
    ::ShowWindow(g_window, SW_SHOWNA);
}

void ShowWireless() {
    if (!g_readsSwitch) {
        Show(*g_pictures[g_next]);
        g_next ^= 1;
        return;
    }
    const uint8_t reg = EC_WIRELESS_REGISTER;
    uint8_t status = 0xFF;
    if (::KervoEvaluate(EC_READ_COMMAND, &reg, 1, &status, 1) == 0) {
        ::OutputDebugStringW(L"Can't Read EC Namespace!\n");
        return;
    }
    const bool on = WirelessSwitchOn(status);
    ::OutputDebugStringW(on ? L"SWITCH_ON" : L"SWITCH_OFF");
    Show(*g_pictures[on ? 0 : 1]);
}

LRESULT CALLBACK FloorHook(int code, WPARAM wParam, LPARAM lParam) {
    if (const auto* event = reinterpret_cast<const KBDLLHOOKSTRUCT*>(lParam)) {
        ::PostMessageW(g_window, WM_FLOOR_KEY, event->flags, event->scanCode);
    }
    return ::CallNextHookEx(g_hook, code, wParam, lParam);
}

// The wireless floor's hook thread: its hook and its message loop, nothing else.
DWORD WINAPI HookThread(void* ready) {
    const UniqueWindowsHook hook(::SetWindowsHookExW(WH_KEYBOARD_LL, &FloorHook, ::GetModuleHandleW(nullptr), 0));
    g_hook = hook.get();
    ::SetEvent(ready);
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
    }
    return 0;
}

LRESULT CALLBACK FloorWindow(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_FLOOR_KEY:
        if (static_cast<uint32_t>(lParam) == ScanCode::kWireless &&
            (static_cast<uint32_t>(wParam) & KeyFlag::kExtendedRelease) == KeyFlag::kExtendedRelease) {
            ShowWireless();
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

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int) {
    g_readsSwitch = std::wcscmp(commandLine, L"wireless") == 0;

    // What the program does before hotkey mode, at the same cost.
    const observe::GdiplusSession gdiplus;
    INITCOMMONCONTROLSEX commonControls{sizeof(commonControls), ICC_WIN95_CLASSES};
    ::InitCommonControlsEx(&commonControls);
    uint8_t mode = HOTKEY_MODE_ENTER;
    ::KervoEvaluate(HOTKEY_MODE_COMMAND, &mode, 1, nullptr, 0);

    g_pictures[0] = LoadLayeredPng(instance, kWirelessOnPictureId).picture;
    g_pictures[1] = LoadLayeredPng(instance, kWirelessOffPictureId).picture;
    const UniqueMemoryDc memoryDc(::CreateCompatibleDC(nullptr));
    g_memoryDc = memoryDc.get();
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
    UniqueKernelHandle hookThread;
    DWORD hookThreadId = 0;
    UniqueWindowsHook hook;  // the picture floor's, on this thread
    if (g_readsSwitch) {
        const UniqueKernelHandle ready(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
        hookThread.reset(::CreateThread(nullptr, 0, &HookThread, ready.get(), 0, &hookThreadId));
        if (hookThread) {
            ::WaitForSingleObject(ready.get(), INFINITE);
        }
    } else {
        hook.reset(::SetWindowsHookExW(WH_KEYBOARD_LL, &FloorHook, instance, 0));
        g_hook = hook.get();
    }
    if (g_window == nullptr || g_hook == nullptr) {
        std::fprintf(stderr, "osd_floor: no window or no hook\n");
        return 1;
    }
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        ::DispatchMessageW(&msg);
    }
    // The hook goes before hotkey mode is left.
    if (hookThread) {
        ::PostThreadMessageW(hookThreadId, WM_QUIT, 0, 0);
        ::WaitForSingleObject(hookThread.get(), INFINITE);
    } else {
        hook.reset();
    }
    mode = HOTKEY_MODE_LEAVE;
    ::KervoEvaluate(HOTKEY_MODE_COMMAND, &mode, 1, nullptr, 0);
    return 0;
}
