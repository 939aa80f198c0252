#include "app/ResidentLife.h"

#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace {

// The main window as the resident life sees it: answers as set, and a log of
// what was asked. A timer stopped while it was not running is no news.
class FakeHost : public ResidentLifeHost {
public:
    bool modeTakes = true;
    bool hookTakes = true;
    uint32_t sessionError = 0;
    // The session services' ready signal: not made yet, made, or set (it
    // stays set once given).
    enum class Signal { Missing, NotSet, Set } servicesSignal = Signal::NotSet;
    uint32_t nowMs = 0xFFFFF000u;  // the tick wraps during every case
    std::string log;

    bool EnterHotkeyMode() override { return Say(modeTakes ? "mode ok" : "mode refused"), modeTakes; }
    uint32_t InstallHook() override {
        if (!hookTakes) {
            return Say("hook refused"), 0;
        }
        Say("hook " + std::to_string(++m_generation));
        m_installed = true;
        return m_generation;
    }
    bool RemoveHook() override {
        if (m_installed) {
            Say("unhook");
        }
        m_installed = false;
        return std::exchange(m_called, false);
    }
    // Keys reach the hook, and nothing is reported of it.
    void KeysThroughTheHook() { m_called = m_installed; }
    void StartTimer(LifeTimer timer, uint32_t ms) override {
        m_running.insert(timer);
        Say("timer " + Name(timer) + " " + std::to_string(ms));
    }
    void StopTimer(LifeTimer timer) override {
        if (m_running.erase(timer) != 0) {
            Say("cancel " + Name(timer));
        }
    }
    void WriteLine(const std::wstring& line) override {
        // Without the prefix and the line end, which the end-to-end tests check.
        std::wstring text = line.rfind(L"[VaskHotkey]", 0) == 0 ? line.substr(12) : line;
        text = text.substr(0, text.size() - 1);
        Say("line " + std::string(text.begin(), text.end()));
    }
    uint32_t RegisterDisplayState() override { return Say("display"), 0; }
    uint32_t RegisterSessionChanges() override {
        return Say(sessionError == 0 ? "session ok" : "session " + std::to_string(sessionError)), sessionError;
    }
    bool AwaitSessionServices() override {
        const bool waits = servicesSignal == Signal::NotSet;
        return Say(waits ? "await" : servicesSignal == Signal::Set ? "signal set" : "no signal"), waits;
    }
    void StopNotifications() override { Say("stop notifications"); }
    uint32_t NowMs() override { return nowMs; }
    // The system's timers repeat until killed; the test counts a fired one as
    // no longer waiting, so that only a kill of a waiting timer shows.
    void Fired(LifeTimer timer) { m_running.erase(timer); }

private:
    static std::string Name(LifeTimer timer) {
        return timer == LifeTimer::HookRetry ? "hook" : timer == LifeTimer::ModeRetry ? "mode" : "session";
    }
    void Say(const std::string& what) { log += (log.empty() ? "" : "; ") + what; }

    uint32_t m_generation = 0;
    bool m_installed = false;
    bool m_called = false;
    std::set<LifeTimer> m_running;
};

using Step = std::function<void(ResidentLife&, FakeHost&)>;

// The main window's start, in its order.
const Step Start = [](ResidentLife& life, FakeHost& host) {
    life.ModeEnteredAtStart(host.EnterHotkeyMode());
    life.InstallHookAtStart();
    life.StartNotifications();
};
Step Set(std::function<void(FakeHost&)> change) {
    return [=](ResidentLife&, FakeHost& host) { change(host); };
}
Step Wait(uint32_t ms) {
    return [=](ResidentLife&, FakeHost& host) { host.nowMs += ms; };
}
Step Fire(LifeTimer timer) {
    return [=](ResidentLife& life, FakeHost& host) {
        host.Fired(timer);
        life.TimerFired(timer);
    };
}
Step Lost(uint32_t generation, bool everCalled) {
    return [=](ResidentLife& life, FakeHost&) { life.HookLost(generation, everCalled); };
}
Step CalledAgain(uint32_t generation) {
    return [=](ResidentLife& life, FakeHost&) { life.HookCalledAgain(generation); };
}
Step Resume(PowerEvent event) {
    return [=](ResidentLife& life, FakeHost&) { life.Power(event); };
}
Step Display(uint32_t state) {
    return [=](ResidentLife& life, FakeHost&) { life.DisplayState(state); };
}
const Step Typing = [](ResidentLife&, FakeHost& host) { host.KeysThroughTheHook(); };
const Step Refresh = [](ResidentLife& life, FakeHost&) { life.HookRefresh(); };
const Step Unlock = [](ResidentLife& life, FakeHost&) { life.Session(SessionEvent::Unlock); };
const Step Ready = [](ResidentLife& life, FakeHost&) { life.SessionServicesReady(); };
const Step Close = [](ResidentLife& life, FakeHost&) { life.Close(); };
const Step Clear = [](ResidentLife&, FakeHost& host) { host.log.clear(); };

constexpr auto kHook = LifeTimer::HookRetry;
constexpr auto kMode = LifeTimer::ModeRetry;
constexpr auto kSession = LifeTimer::SessionRetry;

TEST(ResidentLife, DecidesWhenToInstallKeepRetryAndSetUpAgain) {
    const struct {
        const char* name;
        std::vector<Step> steps;
        std::string log;
    } cases[] = {
        {"a refused first hook: no line (the start shows its box), then tries at 1, 2, 4 s until one takes",
         {Set([](FakeHost& h) { h.hookTakes = false; }), Start, Fire(kHook), Fire(kHook),
          Set([](FakeHost& h) { h.hookTakes = true; }), Fire(kHook)},
         "mode ok; hook refused; timer hook 1000; display; session ok; "
         "hook refused; line Start KB Hook is fail.; timer hook 2000; "
         "hook refused; line Start KB Hook is fail.; timer hook 4000; hook 1; line Keyboard hook installed"},
        {"a hook never called is kept; its replacements wait 1, 2, 4 s, and 1 s again after one it called",
         {Start, Clear, Lost(1, false), Fire(kHook), Lost(2, false), Fire(kHook), Lost(3, false), CalledAgain(3),
          Lost(3, true), Lost(4, false)},
         "line Keyboard hook lost; timer hook 1000; unhook; hook 2; line Keyboard hook installed; "
         "line Keyboard hook lost; timer hook 2000; unhook; hook 3; line Keyboard hook installed; "
         "line Keyboard hook lost; timer hook 4000; line Keyboard hook called again; cancel hook; "
         "line Keyboard hook lost; unhook; hook 4; line Keyboard hook lost; timer hook 1000"},
        {"a replacement the system called brings the wait back to 1 s, though it never reported",
         {Start, Clear, Lost(1, false), Fire(kHook), Typing, Unlock, Lost(3, false)},
         "line Keyboard hook lost; timer hook 1000; unhook; hook 2; line Keyboard hook installed; "
         "line Set up again after unlock; mode ok; unhook; hook 3; line Keyboard hook lost; timer hook 1000"},
        {"the refresh replaces a kept hook and leaves the longer wait as it was",
         {Start, Clear, Lost(1, false), Fire(kHook), Lost(2, false), Refresh, Lost(3, false)},
         "line Keyboard hook lost; timer hook 1000; unhook; hook 2; line Keyboard hook installed; "
         "line Keyboard hook lost; timer hook 2000; cancel hook; unhook; hook 3; line Keyboard hook lost; timer hook "
         "4000"},
        {"called, lost, called, lost: each loss replaced at once",
         {Start, Clear, Lost(1, true), Lost(2, true)},
         "line Keyboard hook lost; unhook; hook 2; line Keyboard hook lost; unhook; hook 3"},
        {"reports about a hook replaced since, or about none, change nothing",
         {Start, Lost(1, true), Clear, Lost(1, true), CalledAgain(1), Lost(0, true), Lost(7, false)},
         ""},
        {"a refused replacement keeps its own 1, 2 s",
         {Start, Clear, Set([](FakeHost& h) { h.hookTakes = false; }), Lost(1, true), Fire(kHook)},
         "line Keyboard hook lost; unhook; hook refused; line Start KB Hook is fail.; timer hook 1000; "
         "hook refused; line Start KB Hook is fail.; timer hook 2000"},
        {"a user's resume right after the automatic one is one set-up; an unattended wake gets a second",
         {Start, Wait(60000), Clear, Resume(PowerEvent::ResumeAutomatic), Wait(1500), Resume(PowerEvent::ResumeByUser),
          Resume(PowerEvent::ResumeAutomatic), Wait(300000), Resume(PowerEvent::ResumeByUser)},
         "line Set up again after resume; mode ok; unhook; hook 2; "
         "line Set up again after resume; mode ok; unhook; hook 3; "
         "line Set up again after resume; mode ok; unhook; hook 4"},
        {"a refused mode entry is tried again on one back-off across set-ups until it takes",
         {Set([](FakeHost& h) { h.modeTakes = false; }), Start, Fire(kMode), Unlock, Resume(PowerEvent::ResumeByUser),
          Set([](FakeHost& h) { h.modeTakes = true; }), Fire(kMode), Resume(PowerEvent::ResumeByUser)},
         "mode refused; line Hotkey mode refused; timer mode 1000; hook 1; display; session ok; "
         "mode refused; line Hotkey mode refused; timer mode 2000; "
         "line Set up again after unlock; mode refused; cancel mode; line Hotkey mode refused; timer mode 4000; "
         "unhook; hook 2; line Set up again after resume; mode refused; cancel mode; line Hotkey mode refused; "
         "timer mode 8000; unhook; hook 3; mode ok; line Hotkey mode entered"},
        {"the display off, then on or dimmed, sets up; dimming and brightening again does not",
         {Start, Clear, Display(2), Display(kConsoleDisplayOn), Display(kConsoleDisplayOff), Display(2)},
         "line Set up again after display on; mode ok; unhook; hook 2"},
        {"session changes registered once the services say they are ready, sooner than the retry beside the wait",
         {Set([](FakeHost& h) { h.sessionError = kErrorSessionServicesNotReady; }), Start,
          Set([](FakeHost& h) { h.sessionError = 0; }), Ready},
         "mode ok; hook 1; display; session 1702; line Lock and unlock not seen: error 1702; timer session 1000; "
         "await; cancel session; session ok; line Lock and unlock seen"},
        {"a ready signal that never comes: the retry registers all the same",
         {Set([](FakeHost& h) { h.sessionError = kErrorSessionServicesNotReady; }), Start,
          Set([](FakeHost& h) { h.sessionError = 0; }), Fire(kSession)},
         "mode ok; hook 1; display; session 1702; line Lock and unlock not seen: error 1702; timer session 1000; "
         "await; session ok; line Lock and unlock seen"},
        {"1702 with the signal already set: one retry after the grown delay, not a second registration at once",
         {Set([](FakeHost& h) { h.sessionError = kErrorSessionServicesNotReady; }), Start, Clear,
          Set([](FakeHost& h) { h.servicesSignal = FakeHost::Signal::Set; }), Ready,
          Set([](FakeHost& h) { h.sessionError = 0; }), Fire(kSession)},
         "cancel session; session 1702; line Lock and unlock not seen: error 1702; timer session 2000; signal set; "
         "session ok; line Lock and unlock seen"},
        {"no ready signal yet, or another error: session registration tried again at 1, 2 s",
         {Set([](FakeHost& h) {
              h.sessionError = kErrorSessionServicesNotReady;
              h.servicesSignal = FakeHost::Signal::Missing;
          }),
          Start, Set([](FakeHost& h) { h.sessionError = 5; }), Fire(kSession),
          Set([](FakeHost& h) { h.sessionError = 0; }), Fire(kSession)},
         "mode ok; hook 1; display; session 1702; line Lock and unlock not seen: error 1702; timer session 1000; "
         "no signal; session 5; line Lock and unlock not seen: error 5; timer session 2000; "
         "session ok; line Lock and unlock seen"},
        {"once closed, nothing is set up or tried again",
         {Set([](FakeHost& h) { h.modeTakes = false; }), Start, Clear, Close, Unlock,
          Resume(PowerEvent::ResumeAutomatic), Lost(1, true), Fire(kHook), Fire(kMode), Ready, Refresh, Close},
         "unhook; cancel mode; stop notifications"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeHost host;
        ResidentLife life(host);
        for (const Step& step : c.steps) {
            step(life, host);
        }
        EXPECT_EQ(host.log, c.log);
    }
}

TEST(ResidentLife, RetriesWaitOneSecondThenTwiceAsLongUpToAMinute) {
    std::vector<uint32_t> delays;
    for (uint32_t delay = 0, i = 0; i < 9; ++i) {
        delay = NextRetryDelay(delay);
        delays.push_back(delay);
    }
    EXPECT_EQ(delays, (std::vector<uint32_t>{1000, 2000, 4000, 8000, 16000, 32000, 60000, 60000, 60000}));
    EXPECT_EQ(NextRetryDelay(45000), 60000u);
}

}  // namespace
