// The battery key: the charge as one of eleven battery bitmaps, or the
// "Charging Disabled" notice when the BIOS has switched charging off.
#include "osd/Function_UI.h"

#include "framework/DebugOutput.h"
#include "framework/Dialog.h"
#include "framework/WinApp.h"
#include "osd/BatteryRules.h"

DWORD Function_UI::ReadPowerStatus() {
    SYSTEM_POWER_STATUS status{};
    if (!::GetSystemPowerStatus(&status)) {
        MessageBox(L"GetSystemPowerStatus fail!", nullptr, MB_OK);
        return 0;
    }
    m_nBatteryPercent = ChargeFromLifePercent(status.BatteryLifePercent);
    DiagnosticLine(L"power scale is %d", m_nBatteryPercent);
    return status.BatteryFlag;
}

void Function_UI::ShowBatteryLevel() {
    // Preset: a BIOS service that writes nothing counts as charging disabled.
    int32_t chargingDisabled = 1;
    const DWORD flags = ReadPowerStatus();
    if (flags == kNoSystemBattery) {
        return;
    }
    // The program was closed while the failure's message box was open.
    if (AfxMainDialogEnded()) {
        return;
    }
    // The very first read failed: there is no charge to show, and an empty
    // battery would tell the user something untrue.
    if (m_nBatteryPercent == kBatteryPercentUnknown) {
        return;
    }
    m_pImageBack.reset();
    ::GetBatteryChargingDisable(&chargingDisabled);
    if (chargingDisabled != 0) {
        ShowWindow(SW_HIDE);
        RunNotice(m_dlgBatteryDisable);
        return;
    }
    LoadBitmapFromIDResource(BatteryBitmapId(m_nBatteryPercent), AfxGetInstanceHandle());
    // Or while the box of a bitmap that would not load was.
    if (AfxMainDialogEnded()) {
        return;
    }
    // Deliberately raised above everything, like no other display, but
    // like them shown without activation: the keys stay with the user.
    BringToFront();
    KillTimer(OSD_TIMER_BATTERY);
    SetTimer(OSD_TIMER_BATTERY, OSD_TIMER_PERIOD_MS);
    ShowWindow(SW_SHOWNA);
}
