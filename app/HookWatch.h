#pragma once
// Notices, on the hook's own thread, that the system no longer calls the
// keyboard hook. A message-only window of that thread receives the keyboard's
// raw input, which the system delivers whether or not it still calls the hook;
// raw key events without hook calls (HookSilence.h) make the watch tell the
// main window once, with WM_HOOK_LOST. It costs nothing while no key is pressed.

#include <windows.h>

#include "app/HookSilence.h"

class CHookWatch {
public:
    // Starts watching the keyboard for the hook this thread is about to
    // install; reports go to `report`.
    explicit CHookWatch(HWND report);
    ~CHookWatch();
    CHookWatch(const CHookWatch&) = delete;
    CHookWatch& operator=(const CHookWatch&) = delete;

    // The hook procedure's part: one tick read and one store, no more.
    static void HookCalled() { s_silence.HookCalled(::GetTickCount()); }

private:
    static LRESULT CALLBACK WindowProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
    void OnKeyboardInput();

    // Only the hook's thread uses it, and one hook thread runs at a time.
    static HookSilence s_silence;
    HWND m_hReport;
    HWND m_hWnd = nullptr;
    bool m_bRegistered = false;
};
