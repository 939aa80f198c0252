#include "sim/ProgramWindows.h"

namespace sim {

namespace {

constexpr wchar_t kProgramClass[] = L"VaskHotkeyClass";
// Windows waits this long for an application to answer a power broadcast.
constexpr UINT kSystemWaitMs = 5000;

struct WindowSearch {
    DWORD pid;
    std::vector<HWND> windows;
};

BOOL CALLBACK CollectWindow(HWND window, LPARAM search) {
    auto* s = reinterpret_cast<WindowSearch*>(search);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(window, &pid);
    if (pid == s->pid) {
        s->windows.push_back(window);
    }
    return TRUE;
}

}  // namespace

RunningProgram FindRunningProgram() {
    RunningProgram program;
    program.main = ::FindWindowW(kProgramClass, nullptr);
    if (program.main != nullptr) {
        ::GetWindowThreadProcessId(program.main, &program.pid);
    }
    return program;
}

std::vector<HWND> TopLevelWindowsOf(DWORD pid) {
    WindowSearch search{pid, {}};
    ::EnumWindows(&CollectWindow, reinterpret_cast<LPARAM>(&search));
    return search.windows;
}

bool SendAsTheSystem(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    DWORD_PTR answer = 0;
    return ::SendMessageTimeoutW(window, message, wParam, lParam, SMTO_NORMAL, kSystemWaitMs, &answer) != 0;
}

}  // namespace sim
