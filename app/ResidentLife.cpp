// The main window through the notebook's life. What it set up at start, the
// controller's hotkey mode and the keyboard hook, it sets up again whenever
// the machine comes back (wake, the display on, unlock, a session connected):
// a controller may forget hotkey mode in standby, and the system may have
// dropped the hook meanwhile. A hook the system removed without a word is
// noticed from the keyboard's raw input (app/HookWatch.h) and installed
// again; an installation the system refuses is tried again later, never
// given up.
#include "app/VaskHotkeyDlg.h"

#include "app/AppMessages.h"
#include "app/HookSilence.h"
#include "framework/DebugOutput.h"
#include "platform/VendorApi.h"

#include <wtsapi32.h>

namespace {

struct SessionChangeLine {
    WPARAM change;
    const wchar_t* line;
};
// Each way back to the user's desktop; a lock or a disconnect needs nothing.
constexpr SessionChangeLine kSetUpAfter[] = {
    {WTS_SESSION_UNLOCK, L"[VaskHotkey]Set up again after unlock\n"},
    {WTS_CONSOLE_CONNECT, L"[VaskHotkey]Set up again after console connect\n"},
    {WTS_REMOTE_CONNECT, L"[VaskHotkey]Set up again after remote connect\n"},
};
constexpr wchar_t kAfterResume[] = L"[VaskHotkey]Set up again after resume\n";
constexpr wchar_t kAfterDisplayOn[] = L"[VaskHotkey]Set up again after display on\n";

}  // namespace

LRESULT CVaskHotkeyDlg::OnPowerBroadcast(WPARAM event, LPARAM data) {
    switch (event) {
    case PBT_APMSUSPEND:
        m_bSuspended = true;
        break;
    case PBT_APMRESUMEAUTOMATIC:
        // Every resume brings this one; a user's resume brings
        // PBT_APMRESUMESUSPEND after it, which then has nothing left to do.
        m_bSuspended = false;
        SetUpAgain(kAfterResume);
        break;
    case PBT_APMRESUMESUSPEND:
        if (m_bSuspended) {
            m_bSuspended = false;
            SetUpAgain(kAfterResume);
        }
        break;
    case PBT_POWERSETTINGCHANGE: {
        DWORD state = 0;
        const auto* setting = reinterpret_cast<const POWERBROADCAST_SETTING*>(data);
        if (setting == nullptr || !ConsoleDisplayState(*setting, &state)) {
            break;
        }
        // Off, then on or dimmed: a Modern Standby machine coming back, which
        // sends no resume. Dimming and brightening again is not one.
        const bool wasOff = m_dwDisplayState == kConsoleDisplayOff;
        m_dwDisplayState = state;
        if (wasOff && state != kConsoleDisplayOff) {
            SetUpAgain(kAfterDisplayOn);
        }
        break;
    }
    default:
        break;
    }
    return TRUE;
}

LRESULT CVaskHotkeyDlg::OnSessionChange(WPARAM change, LPARAM) {
    for (const SessionChangeLine& after : kSetUpAfter) {
        if (after.change == change) {
            SetUpAgain(after.line);
        }
    }
    return 0;
}

void CVaskHotkeyDlg::SetUpAgain(const wchar_t* line) {
    if (Closed()) {
        return;
    }
    DiagnosticLine(line);
    // Idempotent both: the controller takes the mode it is in already, and
    // the hook installed before goes before the new one comes.
    SetHotkeyMode(HOTKEY_MODE_ENTER);
    ReinstallKeyboardHook();
}

LRESULT CVaskHotkeyDlg::OnHookLost(WPARAM hookThread, LPARAM everCalled) {
    // A report of a hook replaced since is old news.
    if (Closed() || hookThread == 0 || hookThread != m_hook.ThreadId()) {
        return 0;
    }
    DiagnosticLine(L"[VaskHotkey]Keyboard hook lost\n");
    m_nUncalledHookLosses = everCalled != 0 ? 0 : m_nUncalledHookLosses + 1;
    if (m_nUncalledHookLosses <= 1) {
        ReinstallKeyboardHook();
        return 0;
    }
    // The system never called the last hook either: installing another at
    // once would only repeat that with every key (a window of a higher
    // integrity level in front, say). Wait, longer each time.
    m_hook.Remove();
    ScheduleHookRetry();
    return 0;
}

BOOL CVaskHotkeyDlg::ReinstallKeyboardHook() {
    if (InstallKeyboardHook()) {
        KillTimer(HOOK_RETRY_TIMER);
        m_nHookRetryMs = 0;
        return TRUE;
    }
    DiagnosticLine(L"Start KB Hook is fail.\n");
    ScheduleHookRetry();
    return FALSE;
}

void CVaskHotkeyDlg::ScheduleHookRetry() {
    m_nHookRetryMs = NextHookRetryDelay(m_nHookRetryMs);
    KillTimer(HOOK_RETRY_TIMER);
    SetTimer(HOOK_RETRY_TIMER, m_nHookRetryMs);
}

void CVaskHotkeyDlg::OnHookRetryTimer() {
    KillTimer(HOOK_RETRY_TIMER);
    if (Closed()) {
        return;
    }
    if (ReinstallKeyboardHook()) {
        DiagnosticLine(L"[VaskHotkey]Keyboard hook installed\n");
    }
}
