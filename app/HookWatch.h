#pragma once
// Notices, on the hook's own thread, that the system no longer calls the
// keyboard hook. A message-only window of that thread receives the keyboard's
// raw input, which the system delivers whether or not it still calls the hook;
// raw key events without hook calls (HookSilence.h) make the watch tell the
// main window once, with WM_HOOK_LOST; the hook's first call after that tells
// it WM_HOOK_CALLED_AGAIN. It costs nothing while no key is pressed.

#include <windows.h>

#include "app/AppMessages.h"
#include "app/HookSilence.h"

class CHookWatch {
public:
    // Starts watching the keyboard for the hook this thread is about to
    // install; reports go to `report` and name the hook's `generation`.
    CHookWatch(HWND report, UINT generation);
    ~CHookWatch();
    CHookWatch(const CHookWatch&) = delete;
    CHookWatch& operator=(const CHookWatch&) = delete;

    // The hook procedure's part: one tick read and a few stores; a post only
    // on the first call after a loss.
    static void HookCalled() {
        if (s_silence.HookCalled(::GetTickCount())) {
            ::PostMessageW(s_hReport, WM_HOOK_CALLED_AGAIN, s_nGeneration, 0);
        }
    }

    // Whether the system called this thread's hook at all.
    static bool HookEverCalled() { return s_silence.HookEverCalled(); }

private:
    static LRESULT CALLBACK WindowProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
    void OnKeyboardInput();

    // Only the hook's thread uses them, and one hook thread runs at a time.
    static HookSilence s_silence;
    static HWND s_hReport;
    static UINT s_nGeneration;
    HWND m_hWnd = nullptr;
    bool m_bRegistered = false;
};
