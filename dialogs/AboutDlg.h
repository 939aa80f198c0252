#pragma once

#include "framework/Dialog.h"
#include "res/resource.h"

// The About box, opened from the hidden main window's system menu.
class CAboutDlg : public CDialog {
public:
    CAboutDlg() : CDialog(IDD_ABOUTBOX) {}

protected:
    DECLARE_MESSAGE_MAP()
};
