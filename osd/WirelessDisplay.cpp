// The wireless key shows the radio switch as the embedded controller reports it.
#include "osd/Function_UI.h"

#include "framework/DebugOutput.h"
#include "osd/WirelessRules.h"

void Function_UI::ShowWirelessState() {
    const uint8_t reg = EC_WIRELESS_REGISTER;
    uint8_t status = 0xFF;  // left as it is by a controller that answers nothing
    if (::KervoEvaluate(EC_READ_COMMAND, &reg, 1, &status, 1) == 0) {
        DiagnosticLine(L"Can't Read EC Namespace!\n");
        return;
    }
    const bool on = WirelessSwitchOn(status);
    LoadPngPicture(WirelessPictureId(on));
    DiagnosticLine(on ? L"SWITCH_ON" : L"SWITCH_OFF");
    RenderAndShow(OSD_TIMER_HIDE);
}
