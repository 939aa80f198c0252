#pragma once

// Looking at another process's top-level windows, and nudging it through
// named events.

#include <windows.h>

#include <string>

namespace observe {

// The first top-level window whose class and title match (null: any), polled
// until timeoutMs has passed; null on timeout. pid, when non-zero, restricts
// the search to that process's windows.
HWND WaitForWindow(const wchar_t* className, const wchar_t* exactTitle, DWORD timeoutMs, DWORD pid = 0);

struct WindowInfo {
    bool exists = false;
    bool visible = false;
    RECT rect{};  // screen coordinates
    LONG_PTR style = 0;
    LONG_PTR exStyle = 0;
    std::wstring className;
    std::wstring title;
    HWND owner = nullptr;
    DWORD pid = 0;
    DWORD threadId = 0;
};

WindowInfo Inspect(HWND hwnd);

// Handles this thread's messages for `ms` milliseconds: what a window of the
// test's own needs to see its input and timers.
void PumpMessages(DWORD ms);

// Opens an existing event by name and sets it; false when there is none.
bool SignalNamedEvent(const wchar_t* name);

}  // namespace observe
