#pragma once

#include "framework/Dialog.h"
#include "res/resource.h"

// "Charging Disabled": the BIOS has switched battery charging off.
class CBatteryDisable : public CDialog {
public:
    CBatteryDisable() : CDialog(IDD_BATTERY_DISABLE) {}

protected:
    BOOL OnInitDialog() override;
    LRESULT OnCloseNotice(WPARAM, LPARAM);

    DECLARE_MESSAGE_MAP()
};
