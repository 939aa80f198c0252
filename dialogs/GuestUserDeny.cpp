#include "dialogs/GuestUserDeny.h"

#include "dialogs/NoticeNames.h"

int32_t g_bGuestNoticeAutoClose = 0;

namespace {
constexpr UINT_PTR kAutoCloseTimer = 0;
constexpr UINT kAutoCloseMs = 3000;
constexpr wchar_t kGuestNoticeText[] = L"Your user account configuration does not allow the appliction to run property";
}  // namespace

BEGIN_MESSAGE_MAP(GuestUserDeny, CDialog)
ON_MESSAGE(WM_CLOSE_GUEST_NOTICE, OnCloseNotice)
ON_WM_TIMER()
END_MESSAGE_MAP()

BOOL GuestUserDeny::OnInitDialog() {
    // Top-most while open: opened from the background, the notice may be
    // refused the foreground and would sit unseen behind the user's window
    // until the next key closed it.
    ::SetWindowPos(m_hWnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE);
    // The dispatcher finds the open notice by exactly this title.
    ::SetWindowTextW(m_hWnd, kGuestNoticeTitle);
    ::SetDlgItemTextW(m_hWnd, IDC_GUEST_NOTICE_TEXT, kGuestNoticeText);
    if (g_bGuestNoticeAutoClose == 1) {
        SetTimer(kAutoCloseTimer, kAutoCloseMs);
    }
    return TRUE;
}

void GuestUserDeny::OnTimer(UINT_PTR nIDEvent) {
    KillTimer(kAutoCloseTimer);
    g_bGuestNoticeAutoClose = 0;
    OnOK();
    CDialog::OnTimer(nIDEvent);
}

LRESULT GuestUserDeny::OnCloseNotice(WPARAM, LPARAM) {
    OnOK();
    return 0;
}
