#include "app/KeyboardHook.h"

#include "app/AppMessages.h"

HHOOK g_hKeyboardHook = nullptr;
HWND g_hHotkeyWindow = nullptr;

LRESULT CALLBACK KeyboardHookProc(int nCode, WPARAM wParam, LPARAM lParam) {
    // Low-level hooks are only ever called with an event; the check keeps a
    // malformed call from reading through a null pointer.
    if (const auto* event = reinterpret_cast<const KBDLLHOOKSTRUCT*>(lParam)) {
        ::PostMessageW(g_hHotkeyWindow, WM_FNKEY_EVENT, event->flags, event->scanCode);
    }
    // Never swallow a key: the hotkeys reach the focused application too.
    return ::CallNextHookEx(g_hKeyboardHook, nCode, wParam, lParam);
}
