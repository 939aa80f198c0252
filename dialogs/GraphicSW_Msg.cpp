#include "dialogs/GraphicSW_Msg.h"

#include <cstring>

#include "platform/VendorApi.h"

namespace {
constexpr char kSwitchGraphicsMethod[4] = {'S', 'G', 'F', 'C'};
}  // namespace

BEGIN_MESSAGE_MAP(CGraphicSW_Msg, CDialog)
ON_BN_CLICKED(IDOK, OnYes)
END_MESSAGE_MAP()

BOOL CGraphicSW_Msg::OnInitDialog() {
    // Placed before it shows, so that it does not jump once it is seen.
    CenterWindow(OpeningArea());
    ComeToTheForeground();
    return TRUE;
}

void CGraphicSW_Msg::ComeToTheForeground() {
    // The key that opens this question is typed into some other program, and
    // the system gives the foreground only to the program the user works in:
    // on its own this dialog would open behind that window, and the user's
    // Enter would go there. Joining, for a moment, the input of the thread in
    // front makes this program the one the user works in.
    const HWND foreground = ::GetForegroundWindow();
    const DWORD thisThread = ::GetCurrentThreadId();
    const DWORD foregroundThread = foreground != nullptr ? ::GetWindowThreadProcessId(foreground, nullptr) : 0;
    // While joined, every change of the active window waits on that thread:
    // a program in front that has stopped answering would stop this one too.
    const bool attached = foregroundThread != 0 && foregroundThread != thisThread && !::IsHungAppWindow(foreground) &&
                          ::AttachThreadInput(thisThread, foregroundThread, TRUE) != FALSE;
    // Raised and shown, but not made top-most.
    ::SetWindowPos(m_hWnd, HWND_TOP, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_SHOWWINDOW);
    ::SetForegroundWindow(m_hWnd);
    if (attached) {
        ::AttachThreadInput(thisThread, foregroundThread, FALSE);
        // Leaving the joined input may leave the foreground with the other
        // thread; this program is the one in front now, so it may take it.
        ::SetForegroundWindow(m_hWnd);
    }
}

void CGraphicSW_Msg::OnYes() {
    // The method takes no argument and answers nothing the program reads; the
    // other fields go out cleared rather than as whatever the stack held.
    ACPI_METHOD_REQUEST request{};
    std::memcpy(request.MethodName, kSwitchGraphicsMethod, sizeof(kSwitchGraphicsMethod));
    ::ControlMethod(&request);
    OnOK();
}
