#include "app/ResidentLife.h"

#include <cwchar>

namespace {

constexpr wchar_t kModeRefused[] = L"[VaskHotkey]Hotkey mode refused\n";
constexpr wchar_t kModeEntered[] = L"[VaskHotkey]Hotkey mode entered\n";
constexpr wchar_t kHookRefused[] = L"Start KB Hook is fail.\n";
constexpr wchar_t kHookInstalled[] = L"[VaskHotkey]Keyboard hook installed\n";
constexpr wchar_t kHookLost[] = L"[VaskHotkey]Keyboard hook lost\n";
constexpr wchar_t kHookCalledAgain[] = L"[VaskHotkey]Keyboard hook called again\n";
constexpr wchar_t kSessionSeen[] = L"[VaskHotkey]Lock and unlock seen\n";
constexpr wchar_t kAfterResume[] = L"[VaskHotkey]Set up again after resume\n";
constexpr wchar_t kAfterDisplayOn[] = L"[VaskHotkey]Set up again after display on\n";
constexpr const wchar_t* kAfterSession[] = {
    L"[VaskHotkey]Set up again after unlock\n",
    L"[VaskHotkey]Set up again after console connect\n",
    L"[VaskHotkey]Set up again after remote connect\n",
};

std::wstring ErrorLine(const wchar_t* format, uint32_t error) {
    wchar_t line[96];
    std::swprintf(line, sizeof(line) / sizeof(line[0]), format, static_cast<unsigned long>(error));
    return line;
}

}  // namespace

uint32_t NextRetryDelay(uint32_t previousMs) {
    if (previousMs == 0) {
        return kFirstRetryMs;
    }
    return previousMs >= kLongestRetryMs / 2 ? kLongestRetryMs : previousMs * 2;
}

void ResidentLife::ModeEnteredAtStart(bool taken) {
    // Refused, it is tried again behind everything else the start does.
    ModeAnswered(taken);
}

bool ResidentLife::InstallHookAtStart() {
    m_hookGeneration = m_host.InstallHook();
    if (m_hookGeneration != 0) {
        return true;
    }
    // No line: the caller shows its box, and the tries go on behind it.
    m_refusedHookDelayMs = NextRetryDelay(m_refusedHookDelayMs);
    ScheduleHookRetry(m_refusedHookDelayMs);
    return false;
}

void ResidentLife::StartNotifications() {
    if (const uint32_t error = m_host.RegisterDisplayState()) {
        m_host.WriteLine(ErrorLine(L"[VaskHotkey]Display off and on not seen: error %lu\n", error));
    }
    RegisterSessionChanges();
}

void ResidentLife::RegisterSessionChanges() {
    // The start, the retry timer or the services' signal: whichever came
    // first, the next try is decided anew.
    m_host.StopTimer(LifeTimer::SessionRetry);
    const uint32_t error = m_host.RegisterSessionChanges();
    if (error == 0) {
        if (m_sessionDelayMs != 0) {
            m_host.WriteLine(kSessionSeen);
        }
        m_sessionDelayMs = 0;
        return;
    }
    m_host.WriteLine(ErrorLine(L"[VaskHotkey]Lock and unlock not seen: error %lu\n", error));
    m_sessionDelayMs = NextRetryDelay(m_sessionDelayMs);
    // The retry runs whatever else happens: the services' ready signal may
    // not exist this early, may never come, or may have come while
    // registering still fails. Called before the services are ready, their
    // signal only brings the retry sooner.
    m_host.StartTimer(LifeTimer::SessionRetry, m_sessionDelayMs);
    if (error == kErrorSessionServicesNotReady) {
        m_host.AwaitSessionServices();
    }
}

void ResidentLife::SessionServicesReady() {
    if (!m_bClosed) {
        RegisterSessionChanges();
    }
}

void ResidentLife::HookRefresh() {
    if (m_bClosed) {
        return;
    }
    // The hook the refresh puts in replaces one a replacement waited for.
    ReplaceHook();
}

bool ResidentLife::ReplaceHook() {
    m_host.StopTimer(LifeTimer::HookRetry);
    m_bReplacementDue = false;
    // The old hook goes first: its thread's raw-input watch is registered for
    // the whole process, and a late end of it would unregister the new one's.
    if (m_host.RemoveHook()) {
        m_uncalledHookDelayMs = 0;
    }
    m_hookGeneration = m_host.InstallHook();
    if (m_hookGeneration != 0) {
        m_refusedHookDelayMs = 0;
        return true;
    }
    m_host.WriteLine(kHookRefused);
    m_refusedHookDelayMs = NextRetryDelay(m_refusedHookDelayMs);
    ScheduleHookRetry(m_refusedHookDelayMs);
    return false;
}

void ResidentLife::ScheduleHookRetry(uint32_t delayMs) {
    m_host.StopTimer(LifeTimer::HookRetry);
    m_host.StartTimer(LifeTimer::HookRetry, delayMs);
}

void ResidentLife::HookLost(uint32_t generation, bool everCalled) {
    // A report of a hook replaced since is old news.
    if (m_bClosed || generation == 0 || generation != m_hookGeneration) {
        return;
    }
    m_host.WriteLine(kHookLost);
    if (everCalled) {
        // The system called it and then stopped: it took the hook away.
        m_uncalledHookDelayMs = 0;
        ReplaceHook();
        return;
    }
    // Never called: the system may not call a hook while a window of a higher
    // integrity level is in front. Replacing it at once would only repeat that
    // with every key; kept, it answers the first key the system gives it.
    m_uncalledHookDelayMs = NextRetryDelay(m_uncalledHookDelayMs);
    m_bReplacementDue = true;
    ScheduleHookRetry(m_uncalledHookDelayMs);
}

void ResidentLife::HookCalledAgain(uint32_t generation) {
    if (m_bClosed || generation == 0 || generation != m_hookGeneration) {
        return;
    }
    m_host.WriteLine(kHookCalledAgain);
    m_uncalledHookDelayMs = 0;
    if (m_bReplacementDue) {
        m_bReplacementDue = false;
        m_host.StopTimer(LifeTimer::HookRetry);
    }
}

void ResidentLife::TimerFired(LifeTimer timer) {
    m_host.StopTimer(timer);
    if (m_bClosed) {
        return;
    }
    switch (timer) {
    case LifeTimer::HookRetry:
        if (ReplaceHook()) {
            m_host.WriteLine(kHookInstalled);
        }
        break;
    case LifeTimer::ModeRetry:
        EnterHotkeyMode();
        if (m_bModeTaken) {
            m_host.WriteLine(kModeEntered);
        }
        break;
    case LifeTimer::SessionRetry:
        RegisterSessionChanges();
        break;
    }
}

void ResidentLife::EnterHotkeyMode() { ModeAnswered(m_host.EnterHotkeyMode()); }

void ResidentLife::ModeAnswered(bool taken) {
    m_bModeTaken = taken;
    m_host.StopTimer(LifeTimer::ModeRetry);
    if (taken) {
        m_modeTakenAtMs = m_host.NowMs();
        m_modeDelayMs = 0;
        return;
    }
    // Devices resume on their own time: the controller may not answer yet.
    m_host.WriteLine(kModeRefused);
    m_modeDelayMs = NextRetryDelay(m_modeDelayMs);
    m_host.StartTimer(LifeTimer::ModeRetry, m_modeDelayMs);
}

void ResidentLife::SetUpAgain(const wchar_t* line) {
    if (m_bClosed) {
        return;
    }
    m_host.WriteLine(line);
    // Idempotent both: the controller takes the mode it is in already, and
    // the hook installed before goes before the new one comes.
    EnterHotkeyMode();
    ReplaceHook();
}

void ResidentLife::Power(PowerEvent event) {
    switch (event) {
    case PowerEvent::ResumeAutomatic:
        SetUpAgain(kAfterResume);
        break;
    case PowerEvent::ResumeByUser:
        // Right after the automatic resume of a user's wake there is nothing
        // left to do; after an unattended one, or a set-up that did not take,
        // the user's arrival sets up again.
        if (!m_bModeTaken || m_hookGeneration == 0 || m_host.NowMs() - m_modeTakenAtMs > kResumeSetUpWindowMs) {
            SetUpAgain(kAfterResume);
        }
        break;
    }
}

void ResidentLife::DisplayState(uint32_t state) {
    // Off, then on or dimmed: a Modern Standby machine coming back, which
    // sends no resume. Dimming and brightening again is not one.
    const bool wasOff = m_displayState == kConsoleDisplayOff;
    m_displayState = state;
    if (wasOff && state != kConsoleDisplayOff) {
        SetUpAgain(kAfterDisplayOn);
    }
}

void ResidentLife::Session(SessionEvent event) {
    // A lock or a disconnect needs nothing.
    if (event != SessionEvent::Other) {
        SetUpAgain(kAfterSession[static_cast<int>(event)]);
    }
}

void ResidentLife::Close() {
    if (m_bClosed) {
        return;
    }
    m_bClosed = true;
    // No key event is posted once this returns, and nothing puts the hook back.
    m_host.RemoveHook();
    m_hookGeneration = 0;
    m_host.StopTimer(LifeTimer::HookRetry);
    m_host.StopTimer(LifeTimer::ModeRetry);
    m_host.StopTimer(LifeTimer::SessionRetry);
    m_host.StopNotifications();
}
