#pragma once

// A few of the program's calls to the system, seen by its debugger: each has
// a breakpoint on its first instruction in the program's process. A hit is
// logged with its arguments and the calling thread; then either the call is
// answered here and the thread returns to its caller as from the function,
// or the function runs as it is (the first instruction is stepped over and
// the breakpoint put back).
//   SetTimer                              logged while watched (WatchTimers):
//                                         under Wine a breakpoint hit on the
//                                         user-interface thread while real
//                                         key events flow can cost the
//                                         program's hook some of them
//   SetWindowsHookExW, UnhookWindowsHookEx logged; a low-level keyboard hook
//                                         is answered null while such hooks
//                                         are refused
//   RegisterApplicationRestart            logged
//   ShellExecuteExW                       logged with its record's fields
//   EnumDisplaySettingsW                  the current mode of the primary
//                                         display is answered at the
//                                         notebook's display-scale, as Windows
//                                         answers a program without DPI
//                                         awareness; unlogged

#include <windows.h>

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "sim/SimNotebook.h"

namespace observe {

struct SystemCall {
    std::string function;
    ULONG_PTR args[4];
    DWORD threadId;
    // What a record the call was handed held at the call, where the watch
    // reads one: for ShellExecuteExW "mask 0x.. hwnd 0x.. verb V show N".
    std::string detail;
};

class SystemCallWatch {
public:
    SystemCallWatch();
    ~SystemCallWatch();
    SystemCallWatch(const SystemCallWatch&) = delete;
    SystemCallWatch& operator=(const SystemCallWatch&) = delete;

    // Places the breakpoints in `process`, whose modules are loaded. False
    // when one cannot be placed.
    bool Arm(HANDLE process);
    // Handles `ev` when it is one of these breakpoints, or the step over one;
    // false for any other event.
    bool Handle(const DEBUG_EVENT& ev);

    // Every logged call so far, in order; from any thread.
    std::vector<SystemCall> Calls() const;
    // Logs SetTimer from now on, or no longer.
    void WatchTimers(bool watch);
    // While set, the system refuses the low-level keyboard hooks the program asks for.
    void RefuseHooks(bool refuse) { m_refuseHooks = refuse; }

private:
    struct Watched;
    bool Answer(const Watched& watched, const ULONG_PTR (&args)[4], ULONG_PTR* result);
    bool AnswerDisplayMode(const ULONG_PTR (&args)[4]);
    std::string Detail(const Watched& watched, const ULONG_PTR (&args)[4]) const;

    HANDLE m_process = nullptr;  // borrowed: the debugger owns it
    std::vector<Watched> m_watched;
    std::map<DWORD, ULONG_PTR> m_stepping;  // thread -> breakpoint to put back
    mutable std::mutex m_mutex;
    std::vector<SystemCall> m_calls;
    std::atomic<bool> m_refuseHooks{false};
    std::unique_ptr<sim::Notebook> m_notebook;
};

}  // namespace observe
