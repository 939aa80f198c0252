// The main window's part in the notebook's life: it routes what the system
// and the hook's thread tell it to the resident life (app/ResidentLife.h),
// which decides, and carries out what that asks of it.
#include "app/VaskHotkeyDlg.h"

#include "app/AppMessages.h"
#include "framework/DebugOutput.h"
#include "platform/VendorApi.h"

#include <wtsapi32.h>

namespace {

UINT_PTR TimerId(LifeTimer timer) {
    switch (timer) {
    case LifeTimer::HookRetry:
        return HOOK_RETRY_TIMER;
    case LifeTimer::ModeRetry:
        return MODE_RETRY_TIMER;
    case LifeTimer::SessionRetry:
        return SESSION_RETRY_TIMER;
    }
    return HOOK_RETRY_TIMER;
}

SessionEvent SessionEventOf(WPARAM change) {
    switch (change) {
    case WTS_SESSION_UNLOCK:
        return SessionEvent::Unlock;
    case WTS_CONSOLE_CONNECT:
        return SessionEvent::ConsoleConnect;
    case WTS_REMOTE_CONNECT:
        return SessionEvent::RemoteConnect;
    default:
        return SessionEvent::Other;
    }
}

}  // namespace

LRESULT CVaskHotkeyDlg::OnPowerBroadcast(WPARAM event, LPARAM data) {
    switch (event) {
    case PBT_APMRESUMEAUTOMATIC:
        m_life.Power(PowerEvent::ResumeAutomatic);
        break;
    case PBT_APMRESUMESUSPEND:
        m_life.Power(PowerEvent::ResumeByUser);
        break;
    case PBT_POWERSETTINGCHANGE: {
        DWORD state = 0;
        const auto* setting = reinterpret_cast<const POWERBROADCAST_SETTING*>(data);
        if (setting != nullptr && ConsoleDisplayState(*setting, &state)) {
            m_life.DisplayState(state);
        }
        break;
    }
    default:
        break;
    }
    return TRUE;
}

LRESULT CVaskHotkeyDlg::OnSessionChange(WPARAM change, LPARAM) {
    m_life.Session(SessionEventOf(change));
    return 0;
}

LRESULT CVaskHotkeyDlg::OnHookLost(WPARAM generation, LPARAM everCalled) {
    m_life.HookLost(static_cast<uint32_t>(generation), everCalled != 0);
    return 0;
}

LRESULT CVaskHotkeyDlg::OnHookCalledAgain(WPARAM generation, LPARAM) {
    m_life.HookCalledAgain(static_cast<uint32_t>(generation));
    return 0;
}

LRESULT CVaskHotkeyDlg::OnSessionServicesReady(WPARAM, LPARAM) {
    m_life.SessionServicesReady();
    return 0;
}

bool CVaskHotkeyDlg::EnterHotkeyMode() { return SetHotkeyMode(HOTKEY_MODE_ENTER); }

uint32_t CVaskHotkeyDlg::InstallHook() { return InstallKeyboardHook() ? m_hook.Generation() : 0; }

bool CVaskHotkeyDlg::RemoveHook() { return m_hook.Remove() != FALSE; }

void CVaskHotkeyDlg::StartTimer(LifeTimer timer, uint32_t ms) { CDialog::SetTimer(TimerId(timer), ms); }

void CVaskHotkeyDlg::StopTimer(LifeTimer timer) { CDialog::KillTimer(TimerId(timer)); }

void CVaskHotkeyDlg::WriteLine(const std::wstring& line) { DiagnosticText(line); }

uint32_t CVaskHotkeyDlg::RegisterDisplayState() { return m_notifications.RegisterDisplayState(m_hWnd); }

uint32_t CVaskHotkeyDlg::RegisterSessionChanges() { return m_notifications.RegisterSessionChanges(m_hWnd); }

bool CVaskHotkeyDlg::AwaitSessionServices() { return m_notifications.AwaitSessionServices(m_hWnd); }

void CVaskHotkeyDlg::StopNotifications() { m_notifications.Stop(); }

uint32_t CVaskHotkeyDlg::NowMs() { return ::GetTickCount(); }
