#pragma once
// What a window asks the system to tell it besides sleep and wake, which every
// top-level window is sent: changes of the log-on session (lock, unlock,
// connect) and of the console display (off, on, dimmed; the only sign of
// standby and resume on a Modern Standby machine). Registered for one window
// and given back while that window still exists. When and how often to try
// is the resident life's to decide (app/ResidentLife.h).

#include <memory>

#include <windows.h>

#include "framework/Handles.h"
#include "framework/WinThread.h"

// The power-setting notification's data for the console display's state;
// false when the setting is another one or its data is short.
bool ConsoleDisplayState(const POWERBROADCAST_SETTING& setting, DWORD* state);

struct PowerNotifyTraits {
    static void Close(HPOWERNOTIFY notify) { ::UnregisterPowerSettingNotification(notify); }
};
using UniquePowerNotify = UniqueHandle<HPOWERNOTIFY, PowerNotifyTraits>;

class SystemNotifications {
public:
    SystemNotifications() = default;
    SystemNotifications(const SystemNotifications&) = delete;
    SystemNotifications& operator=(const SystemNotifications&) = delete;
    ~SystemNotifications() { Stop(); }

    // Each: 0, or the system's error.
    DWORD RegisterDisplayState(HWND window);
    DWORD RegisterSessionChanges(HWND window);
    // Waits on a thread of its own for the session services to be ready,
    // then posts WM_SESSION_SERVICES_READY to `window`; only while their
    // ready signal exists and is not set yet (false otherwise).
    bool AwaitSessionServices(HWND window);
    // Gives back both registrations and ends the waiter.
    void Stop();

private:
    static UINT WaitForSessionServices(LPVOID self);
    void EndWaiter();

    HWND m_hSessionWindow = nullptr;  // registered for session changes
    UniquePowerNotify m_displayState;
    // The waiter: its thread, the services' ready signal, and its stop.
    std::unique_ptr<CWinThread> m_pWaiter;
    UniqueKernelHandle m_servicesReady;
    UniqueKernelHandle m_stopWaiting;
    HWND m_hWaiterWindow = nullptr;
};
