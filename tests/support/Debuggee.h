#pragma once

// Runs a program under a debug-event loop so that a test sees every line it
// writes with OutputDebugString, exactly and in order, and how it ended. The
// program reads the simulated notebook's battery as its power status.

#include <windows.h>

#include "framework/Handles.h"
#include "tests/support/PowerStatusAnswer.h"
#include "tests/support/SystemCallWatch.h"

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace observe {

class Debuggee {
public:
    Debuggee() = default;
    ~Debuggee();  // terminates a program still running, then joins the loop
    Debuggee(const Debuggee&) = delete;
    Debuggee& operator=(const Debuggee&) = delete;

    // Called on the loop's thread for each line as it arrives; set before Start.
    void OnLine(std::function<void(const std::string&)> handler);

    // Starts exe (command line: the quoted path, a space, args) in workDir
    // (empty: the caller's). False when the process cannot be created; Error() says why.
    bool Start(const std::wstring& exe, const std::wstring& args = {}, const std::wstring& workDir = {});

    // Every line so far; a line is one OutputDebugString text with its line end, if any.
    std::vector<std::string> Lines() const;
    // True once a line equal to text has arrived (before or during the wait).
    bool WaitForLine(const std::string& text, DWORD timeoutMs) const;
    bool WaitForLineCount(std::size_t n, DWORD timeoutMs) const;

    std::optional<DWORD> WaitExit(DWORD timeoutMs) const;
    std::optional<DWORD> ExitCode() const;
    bool Running() const;
    DWORD Pid() const { return m_pid; }
    // The thread the program started on: its user-interface thread.
    DWORD MainThreadId() const { return m_mainThreadId; }
    // The watched system calls so far (SystemCallWatch.h), and a switch that
    // makes the system refuse the program's hooks; may be set before Start.
    std::vector<SystemCall> SystemCalls() const { return m_calls.Calls(); }
    void RefuseHooks(bool refuse) { m_calls.RefuseHooks(refuse); }
    void WatchTimers(bool watch) { m_calls.WatchTimers(watch); }
    bool Terminate(UINT exitCode = 1);
    const std::string& Error() const { return m_error; }

private:
    void Loop(std::wstring commandLine, std::wstring workDir);
    void AddLine(std::string line);
    template <class Pred>
    bool WaitUntil(DWORD timeoutMs, Pred pred) const;

    std::function<void(const std::string&)> m_onLine;
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_changed;
    std::vector<std::string> m_lines;
    std::optional<DWORD> m_exitCode;
    bool m_startDone = false;
    bool m_loopDone = false;
    DWORD m_pid = 0;
    std::atomic<DWORD> m_mainThreadId{0};
    UniqueKernelHandle m_process;  // the watches borrow it
    std::string m_error;
    std::thread m_thread;
    PowerStatusAnswer m_power;
    SystemCallWatch m_calls;
};

}  // namespace observe
