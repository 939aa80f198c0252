#pragma once
// Private messages, timers and names of the hidden main window that other
// windows, other processes and the keyboard hook rely on.

#include <windows.h>

// Posted by the keyboard hook for every key event: wParam = the low-level
// flags, lParam = the hardware scan code.
constexpr UINT WM_FNKEY_EVENT = WM_APP + 0x65;
static_assert(WM_FNKEY_EVENT == 0x8065, "other tools post this number");

// Timer of the main window; its expiry re-installs the keyboard hook.
constexpr UINT_PTR HOOK_REFRESH_TIMER = 0;
constexpr UINT HOOK_REFRESH_PERIOD_MS = 60000;

// System-menu command of the About box; the system keeps the low four bits.
constexpr UINT IDM_ABOUTBOX = 0x0010;

inline constexpr wchar_t kMainWindowClass[] = L"VaskHotkeyClass";
inline constexpr wchar_t kMainWindowTitle[] = L"Skey_Main_window";
inline constexpr wchar_t kSingleInstanceMutex[] = L"Mutex_VaskHotkey";
