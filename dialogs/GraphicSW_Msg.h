#pragma once

#include "framework/Dialog.h"
#include "res/resource.h"

// "Switch Graphic Card": asks before the firmware switches the graphics card.
class CGraphicSW_Msg : public CDialog {
public:
    explicit CGraphicSW_Msg(CWnd* pParent = nullptr) : CDialog(IDD_SWITCH_GRAPHIC_CARD, pParent) {}

protected:
    BOOL OnInitDialog() override;
    void OnYes();

    DECLARE_MESSAGE_MAP()

private:
    // Shows the dialog in front of the user's window, with the keyboard.
    void ComeToTheForeground();
};
