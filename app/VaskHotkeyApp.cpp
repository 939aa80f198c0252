#include "app/VaskHotkeyApp.h"

#include <objidl.h>  // before gdiplus.h, which needs IStream
#include <commctrl.h>
#include <gdiplus.h>

#include "app/AppMessages.h"
#include "app/CloseRequest.h"
#include "app/DisplaySettings.h"
#include "app/VaskHotkeyDlg.h"
#include "framework/DebugOutput.h"
#include "framework/Handles.h"

namespace {

constexpr ATOM kSystemDialogClass = 0x8002;
static_assert(sizeof(INITCOMMONCONTROLSEX) == 8, "common-controls request of 8 bytes");
static_assert(sizeof(void*) != 4 || sizeof(WNDCLASSEXW) == 48, "the 32-bit class record is 48 bytes");
constexpr wchar_t kRegistryKey[] = L"Local AppWizard-Generated Applications";
// A copy that runs its loop answers a close in milliseconds and ends soon
// after; one that does not is hung, and must not hang this start, nor the
// installer that waits for it.
constexpr UINT kCloseAnswerMs = 5000;
constexpr DWORD kCloseWaitMs = 10000;
// What an installer learns when the copy still runs after a "Close" start.
constexpr int kExitRunningCopyRemains = 1;

// Asks the running copy, if any, to close and waits until it has ended.
// False when it still runs.
bool CloseRunningCopy() {
    HWND running = ::FindWindowW(kMainWindowClass, nullptr);
    if (running == nullptr) {
        return true;
    }
    DWORD runningPid = 0;
    ::GetWindowThreadProcessId(running, &runningPid);
    UniqueKernelHandle runningProcess(::OpenProcess(SYNCHRONIZE, FALSE, runningPid));
    // Sent, not posted: the copy has left hotkey mode and removed its hook by
    // the time the answer comes; and then only once that copy has ended,
    // since an installer replaces its files right after.
    DWORD_PTR answer = 0;
    const bool answered =
        ::SendMessageTimeoutW(running, WM_CLOSE, 0, 0, SMTO_ABORTIFHUNG, kCloseAnswerMs, &answer) != 0;
    if (!runningProcess) {
        return answered || !::IsWindow(running);
    }
    // One that did not answer may still have ended meanwhile, but a hung one
    // is not worth waiting for any longer.
    return ::WaitForSingleObject(runningProcess.get(), answered ? kCloseWaitMs : 0) == WAIT_OBJECT_0;
}

}  // namespace

BOOL CVaskHotkeyApp::InitInstance() {
    // Before anything makes a window: only a process without windows may
    // still choose its DPI awareness. Said only by the copy that runs.
    SettingsRead settings = ReadOsdSettings();
    std::wstring awarenessLine;
    if (settings.settings.sharp && !BecomePerMonitorDpiAware(&awarenessLine)) {
        settings.settings.sharp = false;
        settings.lines.push_back(awarenessLine);
    }

    Gdiplus::GdiplusStartupInput gdiplusInput;  // version 1, no callback, own thread, codecs
    Gdiplus::GdiplusStartup(&m_gdiplusToken, &gdiplusInput, nullptr);

    INITCOMMONCONTROLSEX commonControls{sizeof(commonControls), ICC_WIN95_CLASSES};
    ::InitCommonControlsEx(&commonControls);

    CCommandLineInfo commandLine;
    ParseCommandLine(commandLine);
    if (IsCloseRequest(commandLine.m_strFileName, m_lpCmdLine)) {
        if (!CloseRunningCopy()) {
            DiagnosticLine(L"Close: the running copy did not end\n");
            m_bRunningCopyRemains = true;
        }
        return FALSE;
    }

    // Held, never closed, until the process ends.
    HANDLE singleInstance = ::CreateMutexW(nullptr, TRUE, kSingleInstanceMutex);
    if (singleInstance == nullptr || ::GetLastError() == ERROR_ALREADY_EXISTS) {
        return FALSE;
    }

    for (const std::wstring& line : settings.lines) {
        DiagnosticText(line);
    }

    CWinApp::InitInstance();
    AfxEnableControlContainer();
    SetRegistryKey(kRegistryKey);

    // The main window's class is the system dialog class under a name of our
    // own, so that "Close" starts and other programs can find the window.
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    if (!::GetClassInfoExW(nullptr, MAKEINTATOM(kSystemDialogClass), &windowClass)) {
        return FALSE;
    }
    windowClass.lpszClassName = kMainWindowClass;
    if (::RegisterClassExW(&windowClass) == 0) {
        return FALSE;
    }

    {
        CVaskHotkeyDlg dlg;
        dlg.UseDisplaySettings(settings.settings);
        m_pMainWnd = &dlg;
        dlg.DoModal();
    }
    m_pMainWnd = nullptr;
    return FALSE;
}

int CVaskHotkeyApp::ExitInstance() {
    Gdiplus::GdiplusShutdown(m_gdiplusToken);
    const int exitCode = CWinApp::ExitInstance();
    return m_bRunningCopyRemains ? kExitRunningCopyRemains : exitCode;
}
