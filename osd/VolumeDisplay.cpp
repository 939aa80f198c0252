// The volume keys step the master volume by one of eleven levels and show
// the level; the mute key shows the mute state the system has just set.
#include "osd/Function_UI.h"

#include "framework/DebugOutput.h"

namespace {
// The system toggles mute itself on the key; give it that long to do so.
constexpr DWORD kMuteSettleMs = 100;
}  // namespace

int32_t Function_UI::CurrentVolumeLevel() {
    const int32_t value = ::GetVolumnVista();
    const int32_t level = VolumeLevelFromValue(m_nVolumeValue, value);
    DiagnosticLine(L"Current Volume Levels:%d Value:%d\n", level, m_nVolumeValue[level]);
    return level;
}

void Function_UI::StepVolume(BOOL up) {
    int32_t level = CurrentVolumeLevel();
    if (::GetMuteVista() != 0) {
        ::SetMuteVista(0);
        DiagnosticLine(L"Mute to UnMute\n");
    }
    level = StepVolumeLevel(level, up != FALSE);
    LoadPngPicture(static_cast<uint16_t>(g_nVolumeImageId[level]));
    // Snaps to the level's value: 57 up gives 60, 57 down gives 40.
    ::SetVolumnVista(m_nVolumeValue[level]);
    DiagnosticLine(L"Set Volume Levels:%d Value:%d\n", level, m_nVolumeValue[level]);
    RenderAndShow(OSD_TIMER_HIDE);
}

void Function_UI::ShowMuteState() {
    ::Sleep(kMuteSettleMs);
    LoadPngPicture(MutePictureId(::GetMuteVista() != 0));
    RenderAndShow(OSD_TIMER_HIDE);
}
