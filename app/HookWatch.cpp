#include "app/HookWatch.h"

#include "app/AppMessages.h"
#include "framework/DebugOutput.h"
#include "framework/WinApp.h"

namespace {

constexpr wchar_t kWatchClass[] = L"VaskHotkeyKeyboardWatch";
// The keyboard, as raw input names it (generic desktop page, keyboard usage).
constexpr USHORT kGenericDesktopPage = 0x01;
constexpr USHORT kKeyboardUsage = 0x06;

bool RegisterKeyboardInput(HWND target, DWORD flags) {
    const RAWINPUTDEVICE keyboard{kGenericDesktopPage, kKeyboardUsage, flags, target};
    return ::RegisterRawInputDevices(&keyboard, 1, sizeof(keyboard)) != FALSE;
}

}  // namespace

HookSilence CHookWatch::s_silence;
HWND CHookWatch::s_hReport = nullptr;
UINT CHookWatch::s_nGeneration = 0;

CHookWatch::CHookWatch(HWND report, UINT generation) {
    s_silence = HookSilence{};
    s_hReport = report;
    s_nGeneration = generation;
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = &WindowProc;
    windowClass.hInstance = AfxGetInstanceHandle();
    windowClass.lpszClassName = kWatchClass;
    // A hook installed before registered the class already.
    if (::RegisterClassExW(&windowClass) == 0 && ::GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
        DiagnosticLine(L"[VaskHotkey]Keyboard input not watched: error %lu\n", ::GetLastError());
        return;
    }
    m_hWnd = ::CreateWindowExW(0, kWatchClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, AfxGetInstanceHandle(), this);
    // In the background too: the user types into other programs' windows.
    m_bRegistered = m_hWnd != nullptr && RegisterKeyboardInput(m_hWnd, RIDEV_INPUTSINK);
    if (!m_bRegistered) {
        DiagnosticLine(L"[VaskHotkey]Keyboard input not watched: error %lu\n", ::GetLastError());
    }
}

CHookWatch::~CHookWatch() {
    if (m_bRegistered) {
        RegisterKeyboardInput(nullptr, RIDEV_REMOVE);
    }
    if (m_hWnd != nullptr) {
        ::DestroyWindow(m_hWnd);
    }
}

LRESULT CALLBACK CHookWatch::WindowProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        ::SetWindowLongPtrW(hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    } else if (message == WM_INPUT) {
        if (auto* watch = reinterpret_cast<CHookWatch*>(::GetWindowLongPtrW(hWnd, GWLP_USERDATA))) {
            watch->OnKeyboardInput();
        }
        // The system frees the input's data in the default processing.
    }
    return ::DefWindowProcW(hWnd, message, wParam, lParam);
}

void CHookWatch::OnKeyboardInput() {
    if (s_silence.KeyboardInput(::GetTickCount())) {
        // The main window decides whether to replace the hook at once or keep
        // it a while (ResidentLife::HookLost).
        ::PostMessageW(s_hReport, WM_HOOK_LOST, s_nGeneration, s_silence.HookEverCalled() ? 1 : 0);
    }
}
