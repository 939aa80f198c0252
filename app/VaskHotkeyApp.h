#pragma once
// The application object: starts GDI+, answers a "Close" start, keeps to one
// copy per session and runs the hidden main window as the program's only
// user-interface loop.

#include <basetsd.h>

#include "framework/WinApp.h"

class CVaskHotkeyApp : public CWinApp {
public:
    CVaskHotkeyApp() = default;

    BOOL InitInstance() override;
    int ExitInstance() override;

    ULONG_PTR m_gdiplusToken = 0;
    // A "Close" start found a copy that did not end: the exit code says so.
    bool m_bRunningCopyRemains = false;
};
