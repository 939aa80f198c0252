#pragma once
// The program's life on a notebook that runs for weeks: it sleeps and wakes,
// locks and unlocks, and Windows may take the keyboard hook away without a
// word. This class decides when the controller is asked for hotkey mode and
// when the main window's hook is installed, kept or replaced; it owns the
// retry delays, the loss bookkeeping, the display state and the session
// registration. It never calls the system itself: everything it does goes
// through ResidentLifeHost, which the main window implements, so the whole
// policy runs against a fake in the unit tests.
//
// Which thread runs what:
// - The user-interface thread runs this class, every timer and every vendor
//   call; the main window routes its messages here.
// - The hook's thread (app/Hook.h) runs the hook procedure and the raw-input
//   watch (app/HookWatch.h), and reports at most once per change of its hook:
//   lost (with whether the system had ever called it), and called again
//   after a loss. Each report carries the hook's generation.
// - The session-services waiter (app/SystemNotifications.h) only posts that
//   the services are ready.
// - The close-event watcher (app/CloseEventMonitor.h) only posts WM_CLOSE.

#include <cstdint>
#include <string>

enum class LifeTimer { HookRetry, ModeRetry, SessionRetry };

// The resumes; a suspend needs nothing.
enum class PowerEvent { ResumeAutomatic, ResumeByUser };

// The ways back to the user's desktop that the session tells of.
enum class SessionEvent { Unlock, ConsoleConnect, RemoteConnect, Other };

// The console display's states, as its power-setting notification carries them.
constexpr uint32_t kConsoleDisplayOff = 0;
constexpr uint32_t kConsoleDisplayOn = 1;

// What registering for session changes answers before the system's session
// services are ready; they signal an event of their own once they are.
constexpr uint32_t kErrorSessionServicesNotReady = 1702;  // RPC_S_INVALID_BINDING

class ResidentLifeHost {
public:
    virtual ~ResidentLifeHost() = default;
    // Asks the controller for hotkey mode; true when it took it.
    virtual bool EnterHotkeyMode() = 0;
    // Installs a new hook: its generation (never 0), or 0 when the system
    // refused it.
    virtual uint32_t InstallHook() = 0;
    // Removes the hook, if one is installed; true when the system had called it.
    virtual bool RemoveHook() = 0;
    virtual void StartTimer(LifeTimer timer, uint32_t ms) = 0;
    virtual void StopTimer(LifeTimer timer) = 0;
    virtual void WriteLine(const std::wstring& line) = 0;
    // 0, or the system's error.
    virtual uint32_t RegisterDisplayState() = 0;
    virtual uint32_t RegisterSessionChanges() = 0;
    // Starts waiting for the session services' ready signal, without holding
    // this thread, when the signal exists and is not set yet: true then. The
    // signal stays set once given, and a wait on it would end at once.
    virtual bool AwaitSessionServices() = 0;
    // Gives back both registrations and stops the waiter.
    virtual void StopNotifications() = 0;
    // A millisecond tick that may wrap.
    virtual uint32_t NowMs() = 0;
};

class ResidentLife {
public:
    explicit ResidentLife(ResidentLifeHost& host) : m_host(host) {}
    ResidentLife(const ResidentLife&) = delete;
    ResidentLife& operator=(const ResidentLife&) = delete;

    // The start, in the main window's order: the controller's answer to the
    // first hotkey-mode entry, the first hook (false: the caller tells the
    // user; tries go on behind), the notifications.
    void ModeEnteredAtStart(bool taken);
    bool InstallHookAtStart();
    void StartNotifications();

    // The refresh timer fired (the main window has killed it already).
    void HookRefresh();
    void HookLost(uint32_t generation, bool everCalled);
    void HookCalledAgain(uint32_t generation);
    void TimerFired(LifeTimer timer);
    void Power(PowerEvent event);
    void DisplayState(uint32_t state);
    void Session(SessionEvent event);
    void SessionServicesReady();
    // Once closed, nothing is set up again.
    void Close();

private:
    void SetUpAgain(const wchar_t* line);
    // Asks for hotkey mode; a refusal is tried again later.
    void EnterHotkeyMode();
    void ModeAnswered(bool taken);
    // Replaces the hook; a refusal is written and tried again later.
    bool ReplaceHook();
    void ScheduleHookRetry(uint32_t delayMs);
    void RegisterSessionChanges();

    ResidentLifeHost& m_host;
    bool m_bClosed = false;
    uint32_t m_hookGeneration = 0;  // 0 while no hook is installed
    uint32_t m_refusedHookDelayMs = 0;
    // Grows across hooks the system never called; back to the first delay
    // only once it calls one.
    uint32_t m_uncalledHookDelayMs = 0;
    bool m_bReplacementDue = false;  // a never-called hook is kept until HookRetry
    uint32_t m_modeDelayMs = 0;
    bool m_bModeTaken = false;
    uint32_t m_modeTakenAtMs = 0;
    uint32_t m_sessionDelayMs = 0;
    uint32_t m_displayState = kConsoleDisplayOn;  // the system tells the state at once
};

// Delays between tries at something the system or the controller refused:
// 1 s after the first refusal, twice as long after each further one, at most
// a minute.
constexpr uint32_t kFirstRetryMs = 1000;
constexpr uint32_t kLongestRetryMs = 60000;
// The delay after `previousMs` (0: no try has failed yet).
uint32_t NextRetryDelay(uint32_t previousMs);

// A user's resume brings PBT_APMRESUMESUSPEND right after the automatic one:
// a set-up that took this recently needs no second one.
constexpr uint32_t kResumeSetUpWindowMs = 2000;
