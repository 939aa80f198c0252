#pragma once
// A small window of the test's own that is in front, has the focus and
// records the keys it receives: the application the user is typing into.

#include <vector>

#include <windows.h>

#include "tests/support/Clock.h"
#include "WindowWatch.h"

namespace e2e {

struct KeyMessage {
    UINT message;
    WPARAM vk;
    UINT scanCode;
    bool extended;
    double atMs;  // when it arrived, in milliseconds of the performance counter
};

class FocusedWindow {
public:
    FocusedWindow() {
        WNDCLASSW wc{};
        wc.lpfnWndProc = &Proc;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.lpszClassName = L"VaskE2eFocusedWindow";
        ::RegisterClassW(&wc);
        s_self = this;
        m_hwnd = ::CreateWindowExW(0, wc.lpszClassName, L"focused", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 200, 100,
                                   nullptr, nullptr, wc.hInstance, nullptr);
        ::SetForegroundWindow(m_hwnd);
        ::SetFocus(m_hwnd);
        Pump(100);
    }
    HWND hwnd() const { return m_hwnd; }
    ~FocusedWindow() {
        ::DestroyWindow(m_hwnd);
        s_self = nullptr;
    }

    void Pump(DWORD ms) { observe::PumpMessages(ms); }
    template <class Pred>
    void PumpUntil(Pred done, DWORD timeoutMs = 5000) {
        for (DWORD waited = 0; !done() && waited < timeoutMs; waited += 20) {
            Pump(20);
        }
    }

    bool Received(UINT message, UINT scanCode, bool extended) const {
        for (const KeyMessage& key : m_keys) {
            if (key.message == message && key.scanCode == scanCode && key.extended == extended) {
                return true;
            }
        }
        return false;
    }
    bool ReceivedVk(UINT message, WPARAM vk) const {
        for (const KeyMessage& key : m_keys) {
            if (key.message == message && key.vk == vk) {
                return true;
            }
        }
        return false;
    }

    const std::vector<KeyMessage>& Keys() const { return m_keys; }
    void Clear() { m_keys.clear(); }

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        if (s_self != nullptr &&
            (message == WM_KEYDOWN || message == WM_KEYUP || message == WM_SYSKEYDOWN || message == WM_SYSKEYUP)) {
            s_self->m_keys.push_back(
                {message, wParam, static_cast<UINT>((lParam >> 16) & 0xFF), ((lParam >> 24) & 1) != 0, NowMs()});
        }
        return ::DefWindowProcW(hwnd, message, wParam, lParam);
    }

    static FocusedWindow* s_self;
    HWND m_hwnd = nullptr;
    std::vector<KeyMessage> m_keys;
};
inline FocusedWindow* FocusedWindow::s_self = nullptr;

// A plain window of the test's own: another application the user moves to,
// where the test puts it.
class OtherWindow {
public:
    explicit OtherWindow(const RECT& rect = {300, 300, 500, 400}) {
        WNDCLASSW wc{};
        wc.lpfnWndProc = &::DefWindowProcW;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.lpszClassName = L"VaskE2eOtherWindow";
        ::RegisterClassW(&wc);
        m_hwnd =
            ::CreateWindowExW(0, wc.lpszClassName, L"other", WS_OVERLAPPEDWINDOW | WS_VISIBLE, rect.left, rect.top,
                              rect.right - rect.left, rect.bottom - rect.top, nullptr, nullptr, wc.hInstance, nullptr);
    }
    ~OtherWindow() { ::DestroyWindow(m_hwnd); }
    OtherWindow(const OtherWindow&) = delete;
    OtherWindow& operator=(const OtherWindow&) = delete;
    HWND hwnd() const { return m_hwnd; }

private:
    HWND m_hwnd = nullptr;
};

}  // namespace e2e
