#pragma once
// The running program as the notebook's tools reach it: its hidden main
// window, found by class, the process behind it and its top-level windows.

#include <windows.h>

#include <vector>

namespace sim {

struct RunningProgram {
    HWND main = nullptr;  // null when the program is not running
    DWORD pid = 0;
};
RunningProgram FindRunningProgram();

// The process's top-level windows, hidden ones too: the windows the system
// tells of sleep and wake. Message-only windows are none of them.
std::vector<HWND> TopLevelWindowsOf(DWORD pid);

// Sends as the system does, giving up on a window that takes longer than the
// system would wait; false then.
bool SendAsTheSystem(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace sim
