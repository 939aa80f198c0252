#include "dialogs/BatteryDisable.h"

#include "dialogs/NoticeNames.h"

BEGIN_MESSAGE_MAP(CBatteryDisable, CDialog)
ON_MESSAGE(WM_CLOSE_CHARGING_NOTICE, OnCloseNotice)
END_MESSAGE_MAP()

BOOL CBatteryDisable::OnInitDialog() {
    // Top-most while open: opened from the background, the notice may be
    // refused the foreground and would sit unseen behind the user's window
    // until the next key closed it.
    ::SetWindowPos(m_hWnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE);
    // The dispatcher finds the open notice by exactly this title.
    ::SetWindowTextW(m_hWnd, kChargingNoticeTitle);
    return TRUE;
}

LRESULT CBatteryDisable::OnCloseNotice(WPARAM, LPARAM) {
    OnOK();
    return 0;
}
