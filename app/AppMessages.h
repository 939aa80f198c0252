#pragma once
// Private messages, timers and names of the hidden main window that other
// windows, other processes and the keyboard hook rely on.

#include <windows.h>

// Posted by the keyboard hook for every key event, and in the tests by the
// simulated notebook's tool, which presses the notebook's keys as the hook
// would: wParam = the low-level flags, lParam = the hardware scan code. A copy
// with UI access runs above its peers, and Windows drops what they post it:
// there only its own hook's events arrive, as it should be.
constexpr UINT WM_FNKEY_EVENT = WM_APP + 0x65;
static_assert(WM_FNKEY_EVENT == 0x8065, "the simulated notebook's tool posts this number");

// Posted by the hook's watch (app/HookWatch.h) when the system has stopped
// calling the hook: wParam = the hook's generation, lParam = 1 when the system
// called that hook at least once.
constexpr UINT WM_HOOK_LOST = WM_APP + 0x66;
// Posted by the hook procedure at its first call after WM_HOOK_LOST: wParam =
// the hook's generation.
constexpr UINT WM_HOOK_CALLED_AGAIN = WM_APP + 0x67;
// Posted by the session-services waiter (app/SystemNotifications.h) once the
// system can take the session registration.
constexpr UINT WM_SESSION_SERVICES_READY = WM_APP + 0x68;

// Timers of the main window: the first's expiry re-installs the keyboard
// hook; the others try again what was refused (app/ResidentLife.h): the
// hook's installation (or the replacement of a hook the system never
// called), hotkey mode, the session registration.
constexpr UINT_PTR HOOK_REFRESH_TIMER = 0;
constexpr UINT HOOK_REFRESH_PERIOD_MS = 60000;
constexpr UINT_PTR HOOK_RETRY_TIMER = 1;
constexpr UINT_PTR MODE_RETRY_TIMER = 2;
constexpr UINT_PTR SESSION_RETRY_TIMER = 3;

// System-menu command of the About box; the system keeps the low four bits.
constexpr UINT IDM_ABOUTBOX = 0x0010;

inline constexpr wchar_t kMainWindowClass[] = L"VaskHotkeyClass";
inline constexpr wchar_t kMainWindowTitle[] = L"Skey_Main_window";
inline constexpr wchar_t kSingleInstanceMutex[] = L"Mutex_VaskHotkey";
// Set by another program to close this one (app/CloseEventMonitor.h).
inline constexpr wchar_t kCloseEventName[] = L"BTMCloseEvent";
