#pragma once
// The system-wide low-level keyboard hook. It stands in the path of every key
// event of the desktop, so it only posts the event to the hidden main window
// and passes it on; all decisions are made later, from the main window's
// message queue.

#include <windows.h>

// Written only on the hook's own thread (app/Hook.h), before the hook is
// installed and after it is removed; the hook procedure runs on that thread
// too, so it needs no lock.
extern HHOOK g_hKeyboardHook;
extern HWND g_hHotkeyWindow;

LRESULT CALLBACK KeyboardHookProc(int nCode, WPARAM wParam, LPARAM lParam);
