#include "tests/support/WindowWatch.h"

#include "framework/Handles.h"

namespace observe {

namespace {

struct Search {
    const wchar_t* className;
    const wchar_t* title;
    DWORD pid;
    HWND found;
};

std::wstring ClassOf(HWND hwnd) {
    wchar_t buf[256];
    const int n = GetClassNameW(hwnd, buf, 256);
    return std::wstring(buf, n > 0 ? n : 0);
}

// WM_GETTEXT with a time limit: a hung program must not hang the test.
std::wstring TitleOf(HWND hwnd) {
    wchar_t buf[512];
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutW(hwnd, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(buf), SMTO_ABORTIFHUNG, 1000, &copied)) {
        return {};
    }
    return std::wstring(buf, copied < 512 ? copied : 511);
}

// Cheapest test first: the process, then the class, and only then the title,
// which costs a message to the window's thread.
BOOL CALLBACK Match(HWND hwnd, LPARAM lp) {
    Search& s = *reinterpret_cast<Search*>(lp);
    if (s.pid) {
        DWORD pid = 0;
        GetWindowThreadProcessId(hwnd, &pid);
        if (pid != s.pid) {
            return TRUE;
        }
    }
    if (s.className && ClassOf(hwnd) != s.className) {
        return TRUE;
    }
    if (s.title && TitleOf(hwnd) != s.title) {
        return TRUE;
    }
    s.found = hwnd;
    return FALSE;
}

}  // namespace

HWND WaitForWindow(const wchar_t* className, const wchar_t* exactTitle, DWORD timeoutMs, DWORD pid) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (;;) {
        Search s{className, exactTitle, pid, nullptr};
        EnumWindows(Match, reinterpret_cast<LPARAM>(&s));
        if (s.found) {
            return s.found;
        }
        if (GetTickCount64() >= deadline) {
            return nullptr;
        }
        // Often enough for tests that time the program, rarely enough not to load it.
        Sleep(20);
    }
}

WindowInfo Inspect(HWND hwnd) {
    WindowInfo info;
    if (!hwnd || !IsWindow(hwnd)) {
        return info;
    }
    info.exists = true;
    info.visible = IsWindowVisible(hwnd) != FALSE;
    GetWindowRect(hwnd, &info.rect);
    info.style = GetWindowLongPtrW(hwnd, GWL_STYLE);
    info.exStyle = GetWindowLongPtrW(hwnd, GWL_EXSTYLE);
    info.className = ClassOf(hwnd);
    info.title = TitleOf(hwnd);
    // The owner, not the parent: the OSD and dialogs are owned top-level windows.
    info.owner = GetWindow(hwnd, GW_OWNER);
    info.threadId = GetWindowThreadProcessId(hwnd, &info.pid);
    return info;
}

bool SignalNamedEvent(const wchar_t* name) {
    const UniqueKernelHandle ev(OpenEventW(EVENT_MODIFY_STATE, FALSE, name));
    return ev && SetEvent(ev.get()) != FALSE;
}

void PumpMessages(DWORD ms) {
    const DWORD start = GetTickCount();
    MSG msg;
    do {
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    } while (GetTickCount() - start < ms);
}

}  // namespace observe
