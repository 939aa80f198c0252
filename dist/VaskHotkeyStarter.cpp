// The package's starter: starts the installed program after an install and
// closes a running copy before an upgrade or a removal, without ever running
// the program through CreateProcess. The signed release's program has UI
// access, and Windows refuses CreateProcess of such a program by one without
// it (740, elevation required), which is all an installer's action can do;
// the shell starts it through the system's application information service.
// The starter itself asks for no UI access, so the installer starts it as
// any other program.
//
// The program starts as the desktop's user, unelevated, whoever installs: a
// starter run with a full administrator's token (a silent install from an
// administrator's prompt) or as another account has the desktop's shell start
// it (app/StartRoute.h). In the services' session, where nobody would see it,
// it starts nothing: the Run value starts it at the user's next log-on.
//
//   VaskHotkeyStarter.exe Start "C:\Program Files\VaskHotkey\VaskHotkey.exe"
//   VaskHotkeyStarter.exe Close
//
// Exits 0 when the program started, or no copy runs any longer; 1 when not;
// 2 for another command line; 3 when it started nothing because no desktop
// can start it as its user, with a line to the debugger output that names the
// step that failed.
#include <cstdarg>
#include <cwchar>
#include <memory>
#include <string>
#include <string_view>

#include <windows.h>
#include <objbase.h>
#include <shellapi.h>

#include "app/AppMessages.h"
#include "app/CloseRequest.h"
#include "app/DesktopStart.h"
#include "framework/Handles.h"

namespace {

constexpr std::wstring_view kStartCommand = L"Start";
// A copy that runs its loop ends within a second of the close; the installer
// waits for this starter, and Restart Manager still follows for a hung copy.
constexpr DWORD kCloseWaitMs = 10000;

constexpr int kExitDone = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;
constexpr int kExitNotStarted = 3;

struct LocalMemoryDeleter {
    void operator()(wchar_t** arguments) const { ::LocalFree(arguments); }
};

class ComApartment {
public:
    ComApartment()
        : m_initialised(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE))) {}
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;
    ~ComApartment() {
        if (m_initialised) {
            ::CoUninitialize();
        }
    }

private:
    bool m_initialised;
};

void WriteLine(const wchar_t* format, ...) {
    wchar_t line[160];
    va_list arguments;
    va_start(arguments, format);
    std::vswprintf(line, sizeof(line) / sizeof(line[0]), format, arguments);
    va_end(arguments);
    ::OutputDebugStringW(line);
}

int StartItself(const std::wstring& program, const std::wstring& folder) {
    SHELLEXECUTEINFOW start{};
    start.cbSize = sizeof(start);
    // Returns once the start is done, since this process ends right after;
    // a failure is this starter's exit code, never a box on the desktop.
    start.fMask = SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI;
    start.lpVerb = L"open";
    start.lpFile = program.c_str();
    start.lpDirectory = folder.c_str();
    start.nShow = SW_SHOWNORMAL;
    if (!::ShellExecuteExW(&start)) {
        WriteLine(L"[VaskHotkeyStarter]Not started: ShellExecuteEx error %lu\n", ::GetLastError());
        return kExitFailed;
    }
    return kExitDone;
}

int StartProgram(const std::wstring& program) {
    // The program's own folder as its working folder: the starter runs in the
    // installer's temporary one, which a resident copy must not hold open.
    const std::wstring folder = program.substr(0, program.find_last_of(L"\\/"));
    const ComApartment com;  // the shell may hand the start to COM objects
    switch (RouteOfStart(ThisProcessStartingToken())) {
    case StartRoute::Itself:
        return StartItself(program, folder);
    case StartRoute::DesktopShell:
        if (const std::optional<ShellStartFailure> failure = StartThroughDesktopShell(program, folder)) {
            WriteLine(L"[VaskHotkeyStarter]Not started: %ls 0x%08lx\n", failure->step,
                      static_cast<unsigned long>(failure->result));
            return kExitNotStarted;
        }
        return kExitDone;
    case StartRoute::Nothing:
        break;
    }
    WriteLine(L"[VaskHotkeyStarter]Not started: session 0\n");
    return kExitNotStarted;
}

int CloseRunningCopy() {
    // The window names the copy's process even where the copy runs above this
    // starter's integrity; waiting for that process to end is waiting for its
    // files to be free.
    const HWND running = ::FindWindowW(kMainWindowClass, nullptr);
    if (running == nullptr) {
        return kExitDone;
    }
    DWORD processId = 0;
    ::GetWindowThreadProcessId(running, &processId);
    const UniqueKernelHandle process(::OpenProcess(SYNCHRONIZE, FALSE, processId));
    const UniqueKernelHandle close(::OpenEventW(EVENT_MODIFY_STATE, FALSE, kCloseEventName));
    if (!process || !close || !::SetEvent(close.get())) {
        return kExitFailed;
    }
    if (::WaitForSingleObject(process.get(), kCloseWaitMs) == WAIT_OBJECT_0) {
        return kExitDone;
    }
    // A copy that never took the signal must not find it waiting at its next
    // start, which would end that start at once.
    ::ResetEvent(close.get());
    return kExitFailed;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
    int count = 0;
    const std::unique_ptr<wchar_t*, LocalMemoryDeleter> arguments(::CommandLineToArgvW(::GetCommandLineW(), &count));
    if (arguments && count == 3 && arguments.get()[1] == kStartCommand) {
        return StartProgram(arguments.get()[2]);
    }
    if (arguments && count == 2 && arguments.get()[1] == kCloseCommand) {
        return CloseRunningCopy();
    }
    return kExitUsage;
}
