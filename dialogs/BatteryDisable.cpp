#include "dialogs/BatteryDisable.h"

#include "dialogs/NoticeNames.h"

BEGIN_MESSAGE_MAP(CBatteryDisable, CDialog)
    ON_MESSAGE(WM_CLOSE_CHARGING_NOTICE, OnCloseNotice)
END_MESSAGE_MAP()

BOOL CBatteryDisable::OnInitDialog() {
    ::SetWindowPos(m_hWnd, HWND_TOP, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE);
    // The dispatcher finds the open notice by exactly this title.
    ::SetWindowTextW(m_hWnd, kChargingNoticeTitle);
    return TRUE;
}

LRESULT CBatteryDisable::OnCloseNotice(WPARAM, LPARAM) {
    OnOK();
    return 0;
}
