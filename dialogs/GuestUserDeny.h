#pragma once

#include <cstdint>

#include "framework/Dialog.h"
#include "res/resource.h"

// Set before the guest notice opens because the brightness levels could not be
// read: that notice closes itself after 3 s, and its timer clears the flag.
extern int32_t g_bGuestNoticeAutoClose;

// "Guest User Deny": the brightness service refused to answer.
class GuestUserDeny : public CDialog {
public:
    GuestUserDeny() : CDialog(IDD_GUEST_USER_DENY) {}

protected:
    BOOL OnInitDialog() override;
    void OnTimer(UINT_PTR nIDEvent);
    LRESULT OnCloseNotice(WPARAM, LPARAM);

    DECLARE_MESSAGE_MAP()
};
