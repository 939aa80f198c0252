#pragma once
// What a window asks the system to tell it besides sleep and wake, which every
// top-level window is sent: changes of the log-on session (lock, unlock,
// connect) and of the console display (off, on, dimmed; the only sign of
// standby and resume on a Modern Standby machine). Registered for one window
// and given back while that window still exists.

#include <windows.h>

#include "framework/Handles.h"

// The console display's states, as its power-setting notification carries them.
constexpr DWORD kConsoleDisplayOff = 0;
constexpr DWORD kConsoleDisplayOn = 1;

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

    // A registration the system refuses is written as a line; the program
    // runs on without that news.
    void Start(HWND window);
    void Stop();

private:
    HWND m_hSessionWindow = nullptr;  // registered for session changes
    UniquePowerNotify m_displayState;
};
