#include "app/KeyboardHook.h"

#include "app/AppMessages.h"
#include "app/Hook.h"
#include "app/HookWatch.h"
#include "framework/WinApp.h"

#include <optional>

// The program watches its hook and runs its thread above the others; the
// bench builds two variants of it, each with one of these off, to tell what
// each costs every key of the desktop.
#ifndef VASK_HOOK_WATCH
#define VASK_HOOK_WATCH 1
#endif
#ifndef VASK_HOOK_THREAD_PRIORITY
#define VASK_HOOK_THREAD_PRIORITY THREAD_PRIORITY_HIGHEST
#endif

HHOOK g_hKeyboardHook = nullptr;
HWND g_hHotkeyWindow = nullptr;

LRESULT CALLBACK KeyboardHookProc(int nCode, WPARAM wParam, LPARAM lParam) {
    // Low-level hooks are only ever called with an event; the check keeps a
    // malformed call from reading through a null pointer.
    if (const auto* event = reinterpret_cast<const KBDLLHOOKSTRUCT*>(lParam)) {
        ::PostMessageW(g_hHotkeyWindow, WM_FNKEY_EVENT, event->flags, event->scanCode);
    }
    // What the watch checks the keyboard's raw input against.
    if (VASK_HOOK_WATCH) {
        CHookWatch::HookCalled();
    }
    // Never swallow a key: the hotkeys reach the focused application too.
    return ::CallNextHookEx(g_hKeyboardHook, nCode, wParam, lParam);
}

CHook::~CHook() { Remove(); }

UINT CHook::Install(HWND target) {
    Remove();
    m_installed.reset(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!m_installed) {
        return 0;
    }
    m_hTarget = target;
    m_bHooked = FALSE;
    m_bCalled = FALSE;
    // Never 0, which means no hook, also once the count wraps.
    m_nGeneration = m_nGeneration + 1 == 0 ? 1 : m_nGeneration + 1;
    // Above every other thread of the program: when the user-interface
    // thread draws a display on a busy machine, the key event that waits for
    // the hook must not wait for the drawing too. The thread only ever runs
    // for the moment of one post. Not higher: above a base priority of 11 a
    // thread competes with the system's own work, and this one wakes for
    // every key of the desktop.
    CWinThread* thread = AfxBeginThread(&HookThread, this, VASK_HOOK_THREAD_PRIORITY, 0, CREATE_SUSPENDED);
    if (thread == nullptr) {
        return 0;
    }
    thread->m_bAutoDelete = FALSE;
    m_pThread.reset(thread);
    thread->ResumeThread();
    // The thread answers at once: it only asks the system for the hook. Its
    // end counts as an answer too, so a thread that died cannot hang the start.
    const HANDLE answered[] = {m_installed.get(), thread->m_hThread};
    ::WaitForMultipleObjects(2, answered, FALSE, INFINITE);
    if (!m_bHooked) {
        ::WaitForSingleObject(thread->m_hThread, INFINITE);
        m_pThread.reset();
        return 0;
    }
    return m_nGeneration;
}

BOOL CHook::Remove() {
    if (!m_pThread) {
        return FALSE;
    }
    // The thread's queue exists before it answers, so the quit cannot be
    // lost; the thread removes the hook on its way out.
    ::PostThreadMessageW(m_pThread->m_nThreadID, WM_QUIT, 0, 0);
    ::WaitForSingleObject(m_pThread->m_hThread, INFINITE);
    m_pThread.reset();
    return m_bCalled;
}

UINT CHook::HookThread(LPVOID self) {
    auto* hook = static_cast<CHook*>(self);
    MSG msg;
    // Makes this thread's message queue, through which the system calls the
    // hook and the quit arrives.
    ::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);
    g_hHotkeyWindow = hook->m_hTarget;
    // Watching from before the first call the hook can get.
    std::optional<CHookWatch> watch;
    if (VASK_HOOK_WATCH) {
        watch.emplace(hook->m_hTarget, hook->m_nGeneration);
    }
    g_hKeyboardHook = ::SetWindowsHookExW(WH_KEYBOARD_LL, &KeyboardHookProc, AfxGetInstanceHandle(), 0);
    const bool hooked = g_hKeyboardHook != nullptr;
    if (!hooked) {
        watch.reset();
    }
    hook->m_bHooked = hooked ? TRUE : FALSE;
    ::SetEvent(hook->m_installed.get());
    if (!hooked) {
        return 0;
    }
    // Nothing else ever runs here but the watch's look at each key's raw
    // input, after its hook call: every key event of the desktop waits for
    // this loop to take that call.
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        ::DispatchMessageW(&msg);
    }
    ::UnhookWindowsHookEx(g_hKeyboardHook);
    g_hKeyboardHook = nullptr;
    hook->m_bCalled = CHookWatch::HookEverCalled() ? TRUE : FALSE;
    return 0;
}
