#include "tests/support/PowerStatusAnswer.h"

#include "tests/support/RemoteFunction.h"

namespace observe {

PowerStatusAnswer::PowerStatusAnswer() = default;
PowerStatusAnswer::~PowerStatusAnswer() = default;

bool PowerStatusAnswer::Arm(HANDLE process, DWORD pid) {
    m_process = process;
    m_pid = pid;
    const ULONG_PTR address = RemoteSystemFunction(process, L"kernel32.dll", "GetSystemPowerStatus");
    m_sleep = RemoteSystemFunction(process, L"kernel32.dll", "Sleep");
    const bool patched = address != 0 && PatchCodeByte(process, address, kBreakpointByte);
    if (patched) {
        m_address = address;
        m_notebook = std::make_unique<sim::Notebook>();
        m_notebook->Open();
    }
    return patched;
}

bool PowerStatusAnswer::StartStall(StoppedThread& thread, DWORD threadId) {
    const CONTEXT& context = thread.context;
    DWORD stallMs = 0;
    if (sim::Lock lock(*m_notebook); lock) {
        const sim::FaultSwitch& fs = lock.state().faults[static_cast<int>(sim::Function::GetSystemPowerStatus)];
        stallMs = static_cast<sim::Fault>(fs.fault) == sim::Fault::Stall ? fs.stallMs : 0;
    }
    if (stallMs == 0 || m_sleep == 0) {
        return false;
    }
    // The caller's thread alone waits, as in a slow call: it is sent through
    // Sleep(stallMs), which returns onto this breakpoint, where the call is
    // answered from the context it came with. Stopping here instead would
    // stop every thread of the program for the whole stall.
    CONTEXT sleeping = context;
#ifdef _WIN64
    // Below the caller's frame: shadow space for the callee and the return
    // address, keeping the stack aligned as at a call.
    sleeping.Rsp -= 48;
    const ULONG_PTR returnAddress = m_address;
    if (!::WriteProcessMemory(m_process, reinterpret_cast<void*>(sleeping.Rsp), &returnAddress, sizeof(returnAddress),
                              nullptr)) {
        return false;
    }
    sleeping.Rcx = stallMs;
    sleeping.Rip = m_sleep;
#else
    const DWORD frame[2] = {static_cast<DWORD>(m_address), stallMs};  // return address, argument
    sleeping.Esp -= sizeof(frame);
    if (!::WriteProcessMemory(m_process, reinterpret_cast<void*>(static_cast<ULONG_PTR>(sleeping.Esp)), frame,
                              sizeof(frame), nullptr)) {
        return false;
    }
    sleeping.Eip = static_cast<DWORD>(m_sleep);
#endif
    const CONTEXT came = context;
    thread.context = sleeping;
    if (!thread.Commit()) {
        thread.context = came;
        return false;
    }
    m_stalled[threadId] = came;
    return true;
}

bool PowerStatusAnswer::Answer(const DEBUG_EVENT& ev) {
    if (m_address == 0 || ev.dwDebugEventCode != EXCEPTION_DEBUG_EVENT ||
        ev.u.Exception.ExceptionRecord.ExceptionCode != EXCEPTION_BREAKPOINT ||
        reinterpret_cast<ULONG_PTR>(ev.u.Exception.ExceptionRecord.ExceptionAddress) != m_address) {
        return false;
    }
    StoppedThread thread(ev.dwThreadId);
    if (!thread) {
        return false;
    }
    CONTEXT& context = thread.context;
    if (const auto stalled = m_stalled.find(ev.dwThreadId); stalled != m_stalled.end()) {
        // Back from a stall: the call as it came.
        context = stalled->second;
        m_stalled.erase(stalled);
    } else if (StartStall(thread, ev.dwThreadId)) {
        return true;
    }
    // BOOL GetSystemPowerStatus(SYSTEM_POWER_STATUS*): the record in the first argument.
    const CallFrame call = ReadCallFrame(m_process, context);
    const ULONG_PTR returnAddress = call.returnAddress;
    const ULONG_PTR record = call.args[0];

    BOOL result = FALSE;
    sim::Lock lock(*m_notebook);
    if (lock) {
        sim::CallRecord& call = lock.AppendCall(sim::Function::GetSystemPowerStatus);
        call.pid = m_pid;
        const sim::State& state = lock.state();
        const auto fault =
            static_cast<sim::Fault>(state.faults[static_cast<int>(sim::Function::GetSystemPowerStatus)].fault);
        if (record == 0) {
            call.flags |= sim::CallFlag::kOutputNull;
        } else if (fault != sim::Fault::Refuse) {
            SYSTEM_POWER_STATUS status{};
            status.BatteryFlag = static_cast<BYTE>(state.batteryFlag);
            status.BatteryLifePercent = static_cast<BYTE>(state.batteryCharge);
            status.ACLineStatus = (status.BatteryFlag & 0x08) != 0 ? 1 : 0;  // charging: on mains
            status.BatteryLifeTime = static_cast<DWORD>(-1);
            status.BatteryFullLifeTime = static_cast<DWORD>(-1);
            SIZE_T written = 0;
            result =
                ::WriteProcessMemory(m_process, reinterpret_cast<void*>(record), &status, sizeof(status), &written) &&
                written == sizeof(status);
            if (result) {
                call.flags |= sim::CallFlag::kOutWritten;
                call.out = status.BatteryLifePercent | (static_cast<uint32_t>(status.BatteryFlag) << 8);
            }
        }
        call.result = result;
    }

    ReturnFromCall(context, returnAddress, 1, static_cast<ULONG_PTR>(result));
    thread.Commit();
    return true;
}

}  // namespace observe
