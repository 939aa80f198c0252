#pragma once
// The system-wide low-level keyboard hook. It stands in the path of every key
// event of the desktop, so it only posts the event to the hidden main window
// and passes it on; all decisions are made later, from the message queue.

#include <windows.h>

// Written only by the main window, on the user-interface thread, which is
// also the thread the hook procedure is called on: no lock needed.
extern HHOOK g_hKeyboardHook;
extern HWND g_hHotkeyWindow;

LRESULT CALLBACK KeyboardHookProc(int nCode, WPARAM wParam, LPARAM lParam);
