#pragma once

// The simulated notebook's battery, as the program reads it. The program asks
// the system for its power status (GetSystemPowerStatus); on this machine the
// answer would be the host's, which has no battery. The program's debugger
// puts a breakpoint on the function's first instruction in the program's
// process and, each time it is hit, writes the notebook's charge and flag into
// the caller's record, sets the result and returns to the caller as the
// function would: the program runs unchanged and reads the simulated battery.
// The notebook's fault switch "refuse" makes the call fail, "stall" makes the
// calling thread wait first; every call is logged with the vendor calls.

#include <windows.h>

#include <map>
#include <memory>

#include "sim/SimNotebook.h"
#include "tests/support/RemoteFunction.h"

namespace observe {

class PowerStatusAnswer {
public:
    PowerStatusAnswer();
    ~PowerStatusAnswer();
    PowerStatusAnswer(const PowerStatusAnswer&) = delete;
    PowerStatusAnswer& operator=(const PowerStatusAnswer&) = delete;

    // Places the breakpoint in `process`, whose modules are loaded. False when
    // the function cannot be found or patched there.
    bool Arm(HANDLE process, DWORD pid);
    // Answers the call when `ev` is this breakpoint; false for any other event.
    bool Answer(const DEBUG_EVENT& ev);

private:
    // Sends the calling thread through Sleep when a stall is switched on;
    // false when none is (or it cannot be done), and the call is answered now.
    bool StartStall(StoppedThread& thread, DWORD threadId);

    HANDLE m_process = nullptr;
    DWORD m_pid = 0;
    ULONG_PTR m_address = 0;
    ULONG_PTR m_sleep = 0;               // Sleep in the program's process
    std::map<DWORD, CONTEXT> m_stalled;  // threads in a stall: their call as it came
    std::unique_ptr<sim::Notebook> m_notebook;
};

}  // namespace observe
