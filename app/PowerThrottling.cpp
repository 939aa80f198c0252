#include "app/PowerThrottling.h"

#include <windows.h>

#include "framework/DebugOutput.h"

namespace {
using SetProcessInformationFn = BOOL(WINAPI*)(HANDLE, PROCESS_INFORMATION_CLASS, LPVOID, DWORD);
}  // namespace

void OptOutOfPowerThrottling() {
    // Looked up at run time: older systems lack the function, and the
    // program must start there all the same.
    HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
    const auto setInformation = reinterpret_cast<SetProcessInformationFn>(
        reinterpret_cast<void*>(kernel != nullptr ? ::GetProcAddress(kernel, "SetProcessInformation") : nullptr));
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
