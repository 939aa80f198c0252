#pragma once
// The signed release's program runs with UI access (its manifest asks for it),
// every other build without; both are one compile, so the program asks its own
// token which one it is.

#include <windows.h>

// True when this process runs with UI access: Windows started it signed, from
// a secure folder, through the shell.
bool HasUiAccess();

// A program with UI access runs above a plain program's integrity, and
// Windows drops the messages a plain program sends it unless the window
// admits them: WM_CLOSE from a "Close" start, WM_QUERYENDSESSION and
// WM_ENDSESSION from Restart Manager. Nothing to do without UI access.
void AdmitCloseMessages(HWND window);

// Restart Manager starts a program it closed again with CreateProcess, from
// the installer's side, and Windows refuses that for a program with UI access
// (740, elevation required: only the shell starts it). Such a copy does not
// register; the Run value starts it at the next log-on.
inline bool InstallerCanRestart() { return !HasUiAccess(); }
