#include "app/SystemNotifications.h"

#include <wtsapi32.h>

#include <cstring>

#include "framework/DebugOutput.h"

namespace {
// GUID_CONSOLE_DISPLAY_STATE, named here: the headers only define it where
// every user pulls in <initguid.h>.
constexpr GUID kConsoleDisplayStateSetting = {
    0x6fe69556, 0x704a, 0x47a0, {0x8f, 0x24, 0xc2, 0x8d, 0x93, 0x6f, 0xda, 0x47}};
}  // namespace

bool ConsoleDisplayState(const POWERBROADCAST_SETTING& setting, DWORD* state) {
    if (!::IsEqualGUID(setting.PowerSetting, kConsoleDisplayStateSetting) || setting.DataLength < sizeof(DWORD)) {
        return false;
    }
    std::memcpy(state, setting.Data, sizeof(DWORD));
    return true;
}

void SystemNotifications::Start(HWND window) {
    Stop();
    if (::WTSRegisterSessionNotification(window, NOTIFY_FOR_THIS_SESSION)) {
        m_hSessionWindow = window;
    } else {
        DiagnosticLine(L"[VaskHotkey]Lock and unlock not seen: error %lu\n", ::GetLastError());
    }
    m_displayState.reset(
        ::RegisterPowerSettingNotification(window, &kConsoleDisplayStateSetting, DEVICE_NOTIFY_WINDOW_HANDLE));
    if (!m_displayState) {
        DiagnosticLine(L"[VaskHotkey]Display off and on not seen: error %lu\n", ::GetLastError());
    }
}

void SystemNotifications::Stop() {
    if (m_hSessionWindow != nullptr) {
        ::WTSUnRegisterSessionNotification(m_hSessionWindow);
        m_hSessionWindow = nullptr;
    }
    m_displayState.reset();
}
