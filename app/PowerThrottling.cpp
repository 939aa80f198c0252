#include "app/PowerThrottling.h"

#include <windows.h>

#include "framework/DebugOutput.h"
#include "framework/LateBound.h"

namespace {
using SetProcessInformationFn = BOOL(WINAPI*)(HANDLE, PROCESS_INFORMATION_CLASS, LPVOID, DWORD);
}  // namespace

void OptOutOfPowerThrottling() {
    // Windows 8 and later; the program must start on older systems all the same.
    const auto setInformation =
        LookUp<SetProcessInformationFn>(::GetModuleHandleW(L"kernel32.dll"), "SetProcessInformation");
    if (setInformation == nullptr) {
        return;
    }
    PROCESS_POWER_THROTTLING_STATE state{};
    state.Version = PROCESS_POWER_THROTTLING_CURRENT_VERSION;
    // Controlled by the program, and off.
    state.ControlMask = PROCESS_POWER_THROTTLING_EXECUTION_SPEED;
    state.StateMask = 0;
    if (setInformation(::GetCurrentProcess(), ProcessPowerThrottling, &state, sizeof(state))) {
        return;
    }
    const DWORD error = ::GetLastError();
    // A system that has the function but not this class of information
    // answers one of these: nothing to opt out of there.
    if (error == ERROR_INVALID_FUNCTION || error == ERROR_INVALID_PARAMETER || error == ERROR_NOT_SUPPORTED) {
        return;
    }
    DiagnosticLine(L"[VaskHotkey]Power throttling not turned off: error %lu\n", error);
}
