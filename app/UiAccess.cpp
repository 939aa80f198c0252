#include "app/UiAccess.h"

#include "framework/DebugOutput.h"
#include "framework/Handles.h"

bool HasUiAccess() {
    HANDLE token = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token)) {
        return false;
    }
    const UniqueKernelHandle owned(token);
    DWORD uiAccess = 0;
    DWORD size = 0;
    // A system that cannot answer has no UI access to give either.
    return ::GetTokenInformation(token, TokenUIAccess, &uiAccess, sizeof(uiAccess), &size) && uiAccess != 0;
}

void AdmitCloseMessages(HWND window) {
    if (!HasUiAccess()) {
        // A plain program's window takes these from its peers already; admitting
        // them would only let lower-integrity programs close it too.
        return;
    }
    for (const UINT message : {WM_CLOSE, WM_QUERYENDSESSION, WM_ENDSESSION}) {
        if (!::ChangeWindowMessageFilterEx(window, message, MSGFLT_ALLOW, nullptr)) {
            DiagnosticLine(L"[VaskHotkey]Close message 0x%04x not admitted: error %lu\n", message, ::GetLastError());
        }
    }
}
