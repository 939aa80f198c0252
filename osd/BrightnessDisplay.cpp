// The brightness keys change the panel's brightness without the program; it
// only reads where the brightness now stands among the eight levels and shows
// that, or the guest notice when the brightness service refuses to answer.
#include "osd/Function_UI.h"

#include <algorithm>

#include "dialogs/GuestUserDeny.h"
#include "framework/DebugOutput.h"
#include "framework/Dialog.h"
#include "osd/BrightnessRules.h"

BOOL Function_UI::ReadBrightnessLevels() {
    for (int i = 0; i < kBrightnessLevels; ++i) {
        const int32_t level = ::WMI_GetBrightnessSetVista(i);
        if (level < 0) {
            // Levels before i keep their new values, the others their old ones.
            g_bGuestNoticeAutoClose = 1;
            RunNotice(m_dlgGuestDeny);
            return FALSE;
        }
        m_nBrightnessLevel[i] = level;
        DiagnosticLine(L"[VaskHotkey]Set Brightness Levels to : %d\n", level);
    }
    return TRUE;
}

int32_t Function_UI::CurrentBrightnessIndex() {
    // Levels that are out of range or not rising are read once more and then
    // used as they come.
    for (int i = 0; i < kBrightnessLevels; ++i) {
        const LevelCheck check = CheckBrightnessLevel(m_nBrightnessLevel, i);
        if (check == LevelCheck::RangeInvalid || check == LevelCheck::ValueInvalid) {
            ReadBrightnessLevels();
            // The program was closed while the read's guest notice was open.
            if (AfxMainDialogEnded()) {
                return -1;
            }
            DiagnosticLine(check == LevelCheck::RangeInvalid ? L"[VaskHotkey]Brightness Range is invalid\n"
                                                             : L"[VaskHotkey]Brightness Value is invalid\n");
            break;
        }
        DiagnosticLine(L"[VaskHotkey]BrightnessValue Passed");
    }

    const int32_t current = ::WMI_GetBrightnessVista();
    if (current < 0) {
        return -1;
    }
    const int32_t position = FirstLevelAtLeast(m_nBrightnessLevel, current);
    for (int32_t i = 0; i <= std::min(position, kBrightnessLevels - 1); ++i) {
        DiagnosticLine(L"[VaskHotkey]Check Brightness Values: %d\n", m_nBrightnessLevel[i]);
    }
    const int32_t index = ClampBrightnessIndex(position);
    DiagnosticLine(L"[VaskHotkey]BrightnessNumber: %d\tBrightnessLevel: %d\tWMIGetBrightness:%d\n", current, index,
                   m_nBrightnessLevel[index]);
    return index;
}

void Function_UI::ShowBrightness(BOOL up) {
    const int32_t index = CurrentBrightnessIndex();
    if (AfxMainDialogEnded()) {
        return;
    }
    if (index < 0) {
        DiagnosticLine(L"\n\n\n=========Guest deny==========\n\n\n");
        ShowWindow(SW_HIDE);
        RunNotice(m_dlgGuestDeny);
        return;
    }
    LoadPngPicture(up ? g_nBrightnessUpImageId[index] : g_nBrightnessDownImageId[index]);
    RenderAndShow(OSD_TIMER_HIDE);
}
