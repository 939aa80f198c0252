#include "app/VaskHotkeyApp.h"

#include <objidl.h>  // before gdiplus.h, which needs IStream
#include <commctrl.h>
#include <gdiplus.h>

#include "app/AppMessages.h"
#include "app/CloseRequest.h"
#include "app/VaskHotkeyDlg.h"
#include "framework/Handles.h"

namespace {

constexpr ATOM kSystemDialogClass = 0x8002;
static_assert(sizeof(INITCOMMONCONTROLSEX) == 8, "common-controls request of 8 bytes");
static_assert(sizeof(void*) != 4 || sizeof(WNDCLASSEXW) == 48, "the 32-bit class record is 48 bytes");
constexpr wchar_t kRegistryKey[] = L"Local AppWizard-Generated Applications";
// A closing copy ends in milliseconds; a hung one must not hang this start.
constexpr DWORD kCloseWaitMs = 10000;

}  // namespace

BOOL CVaskHotkeyApp::InitInstance() {
    Gdiplus::GdiplusStartupInput gdiplusInput;  // version 1, no callback, own thread, codecs
    Gdiplus::GdiplusStartup(&m_gdiplusToken, &gdiplusInput, nullptr);

    INITCOMMONCONTROLSEX commonControls{sizeof(commonControls), ICC_WIN95_CLASSES};
    ::InitCommonControlsEx(&commonControls);

    CCommandLineInfo commandLine;
    ParseCommandLine(commandLine);
    if (IsCloseRequest(commandLine.m_strFileName, m_lpCmdLine)) {
        // Sent, not posted: this start ends only after the running copy has
        // left hotkey mode and removed its hook; and then only once that copy
        // has ended, since an installer replaces its files right after.
        if (HWND running = ::FindWindowW(kMainWindowClass, nullptr)) {
            DWORD runningPid = 0;
            ::GetWindowThreadProcessId(running, &runningPid);
            UniqueKernelHandle runningProcess(::OpenProcess(SYNCHRONIZE, FALSE, runningPid));
            ::SendMessageW(running, WM_CLOSE, 0, 0);
            if (runningProcess) {
                ::WaitForSingleObject(runningProcess.get(), kCloseWaitMs);
            }
        }
        return FALSE;
    }

    // Held, never closed, until the process ends.
    HANDLE singleInstance = ::CreateMutexW(nullptr, TRUE, kSingleInstanceMutex);
    if (singleInstance == nullptr || ::GetLastError() == ERROR_ALREADY_EXISTS) {
        return FALSE;
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
        m_pMainWnd = &dlg;
        dlg.DoModal();
    }
    m_pMainWnd = nullptr;
    return FALSE;
}

int CVaskHotkeyApp::ExitInstance() {
    Gdiplus::GdiplusShutdown(m_gdiplusToken);
    return CWinApp::ExitInstance();
}
