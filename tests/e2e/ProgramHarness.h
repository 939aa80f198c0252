#pragma once
// Starting the real program as a user would, on a simulated notebook of the
// test's own, and watching it from outside: its diagnostic lines, its windows,
// the calls it makes to the vendor libraries and the pixels it shows.

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <windows.h>

#include "Debuggee.h"
#include "Process.h"
#include "Screen.h"
#include "app/AppMessages.h"
#include "sim/SimNotebook.h"

namespace e2e {

inline constexpr DWORD kStartTimeoutMs = 10000;

// What a start on a fresh notebook writes and calls: hotkey mode, then the
// OSD reading the eight brightness levels.
std::vector<std::string> StartLines();
std::vector<std::string> StartCalls();
inline const std::string kCloseLines[] = {"[VaskHotkey]Disable VaskHotkey to control Volume\n",
                                          "[VaskHotkey]VaskHotKey Utility Closed\n"};
std::vector<std::string> StartAndCloseLines();

// Folder of the test program, where the program and the stand-ins are built.
std::wstring BinDirectory();
std::wstring ProgramPath();

// Gives this test process (and the programs it starts) a simulated notebook
// of its own, fresh, so that tests never see each other's calls.
class FreshNotebook {
public:
    FreshNotebook();
    ~FreshNotebook();
    FreshNotebook(const FreshNotebook&) = delete;
    FreshNotebook& operator=(const FreshNotebook&) = delete;
    sim::Notebook& notebook() { return *m_notebook; }
    std::vector<std::string> CallLog();
    // The call log lines added since the last call to this function.
    std::vector<std::string> NewCalls();
    // Waits for a new call that begins with prefix; it and the calls before it
    // count as seen. False on timeout.
    bool WaitForCall(const std::string& prefix, DWORD timeoutMs = 5000);
    template <class F>
    void Set(F&& change) {
        m_notebook->Modify(std::forward<F>(change));
    }

private:
    // Told apart by their sequence numbers: once the ring is full, a call's
    // place in it moves with every new call.
    std::vector<sim::CallRecord> UnseenCalls();

    std::unique_ptr<sim::Notebook> m_notebook;
    uint64_t m_seenSeq = 0;
};

// One run of the program under the debug-event loop.
class ProgramRun {
public:
    ProgramRun() = default;
    ~ProgramRun();
    ProgramRun(const ProgramRun&) = delete;
    ProgramRun& operator=(const ProgramRun&) = delete;

    bool Start(const std::wstring& args = {});
    // Waits for the hidden main window; null when it does not appear.
    HWND WaitForMainWindow(DWORD timeoutMs = kStartTimeoutMs);
    HWND MainWindow() const { return m_main; }
    HWND OsdWindow() const;

    // Delivers a key event exactly as the keyboard hook would post it.
    void Press(uint32_t flags, uint32_t scanCode) const;
    // Waits until every message posted so far has been handled.
    bool Settle() const;

    // What the program wrote and called while handling everything `act`
    // posts: a wireless-key release is posted after it as a marker, and what
    // that marker itself did is left out.
    struct Effect {
        std::vector<std::string> lines;
        std::vector<std::string> calls;
    };
    Effect EffectOf(FreshNotebook& machine, const std::function<void()>& act, DWORD timeoutMs = 5000) const;
    // The same for real key events: `act` sends them (SendKeys), the marker
    // follows through the same input queue, so it cannot overtake them.
    Effect EffectOfInput(FreshNotebook& machine, const std::function<void()>& act, DWORD timeoutMs = 5000) const;

    std::vector<std::string> Lines() const { return m_debuggee.Lines(); }
    bool WaitForLine(const std::string& line, DWORD timeoutMs = 5000) const {
        return m_debuggee.WaitForLine(line, timeoutMs);
    }
    bool WaitForLineCount(size_t count, DWORD timeoutMs = 5000) const {
        return m_debuggee.WaitForLineCount(count, timeoutMs);
    }
    // Waits for `line` among the lines written after the first `after` ones.
    bool WaitForNewLine(const std::string& line, size_t after, DWORD timeoutMs = 5000) const;
    std::optional<DWORD> WaitExit(DWORD timeoutMs = kStartTimeoutMs) const { return m_debuggee.WaitExit(timeoutMs); }
    bool Running() const { return m_debuggee.Running(); }
    DWORD Pid() const { return m_debuggee.Pid(); }
    DWORD MainThreadId() const { return m_debuggee.MainThreadId(); }
    // The program's watched system calls (timers, hooks) so far.
    std::vector<observe::SystemCall> SystemCalls() const { return m_debuggee.SystemCalls(); }
    // While set, the system refuses the program's hooks; may be set before Start.
    void RefuseHooks(bool refuse) { m_debuggee.RefuseHooks(refuse); }
    // Logs the program's SetTimer calls meanwhile; only while no real key
    // events are sent (SystemCallWatch.h says why).
    void WatchTimers(bool watch) { m_debuggee.WatchTimers(watch); }
    // Why Start() failed.
    const std::string& StartError() const { return m_debuggee.Error(); }

private:
    Effect EffectWithMarker(FreshNotebook& machine, const std::function<void()>& act,
                            const std::function<void()>& marker, DWORD timeoutMs) const;

    observe::Debuggee m_debuggee;
    HWND m_main = nullptr;
};

// The program started as at log-on, with no debugger: a debugger stops every
// thread of the program at each diagnostic line, the hook's too, and under
// Wine a debugged program's low-level hook misses a key event now and then.
// What it does is read from the vendor calls it makes, not from its lines.
class PlainRun {
public:
    PlainRun() = default;
    ~PlainRun();  // closes it as another process would, if it still runs
    PlainRun(const PlainRun&) = delete;
    PlainRun& operator=(const PlainRun&) = delete;

    // Starts it and waits until its start has read the brightness levels.
    bool Start(FreshNotebook& machine);
    HWND MainWindow() const { return m_main; }
    DWORD Pid() const { return m_process.pid; }
    // Delivers a key event as the hook posts it.
    void Press(uint32_t flags, uint32_t scanCode) const { ::PostMessageW(m_main, WM_FNKEY_EVENT, flags, scanCode); }
    // Posts WM_CLOSE and waits for the end; its exit code, none on timeout.
    std::optional<DWORD> Close(DWORD timeoutMs = kStartTimeoutMs);
    // The committed private bytes (Wine leaves PrivateUsage at 0).
    SIZE_T PrivateBytes() const;

private:
    observe::StartedProcess m_process;
    HWND m_main = nullptr;
};

// The calls that begin with prefix.
size_t CountCalls(const std::vector<std::string>& calls, const std::string& prefix);

// Key events from a process of the test's own, like a keyboard (the test
// itself is the program's debugger). See send_input.cpp for the words.
bool SendKeys(const std::wstring& keys, DWORD timeoutMs = 10000);

// A count or length a longer run sets in the environment (VASK_STORM_EVENTS,
// VASK_START_CYCLES, ENDURANCE_S, ...); `fallback`, make test's, when unset or
// not a positive number.
int CountFromEnvironment(const char* name, int fallback);

// Runs a tool of the programs' folder (notebook.exe ...) with args; its exit code and
// what it printed.
struct ToolRun {
    DWORD exitCode = 0xFFFFFFFF;
    std::string output;
};
ToolRun RunTool(const std::wstring& exe, const std::wstring& args);

// Starts the program with args to completion (a "Close" start, a second copy)
// and returns its exit code and lines.
struct Finished {
    std::optional<DWORD> exitCode;
    std::vector<std::string> lines;
};
Finished RunToEnd(const std::wstring& args, DWORD timeoutMs = kStartTimeoutMs);

// Pixels of the OSD's place on screen (centred on 1280 x 800) that differ from
// the program's picture resource `id` (PNG or bitmap); negative on failure.
long DifferingFromPicture(uint16_t id);
// The program's picture `id` of resource type `type` ("PNG", a master's
// "PNG150" ...; a bitmap where there is no such PNG); nullopt when missing.
std::optional<observe::Picture> ProgramPicture(uint16_t id, const std::wstring& type = L"PNG");
// Pixels of the screen's `area` that differ from `expected`; negative when
// either cannot be had.
long DifferingOnScreen(const RECT& area, const std::optional<observe::Picture>& expected);

// Polls `done` until it holds (true) or timeoutMs has passed (false).
template <class Done>
bool WaitUntil(Done done, DWORD timeoutMs = 3000) {
    for (const DWORD start = ::GetTickCount(); !done(); ::Sleep(2)) {
        if (::GetTickCount() - start > timeoutMs) {
            return false;
        }
    }
    return true;
}

// Ends every running copy of the program the way a user would.
void CloseAnyRunningProgram();

// A test with the program running on a fresh notebook of its own, its hidden
// main window and its OSD window found, and the start-up calls seen.
class RunningProgramTest : public ::testing::Test {
protected:
    void SetUp() override;

    FreshNotebook machine;
    ProgramRun program;
    HWND osd = nullptr;
};

}  // namespace e2e
