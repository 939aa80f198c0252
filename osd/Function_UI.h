#pragma once
// The on-screen display: a borderless, top-most layered popup, centred on the
// primary display, that carries one 190 x 114 picture from the program's
// resources and hides itself when its timer fires. Every display operation
// loads a picture, draws it into the window with per-pixel alpha, restarts
// its own timer and shows the window. A PNG picture is decoded and drawn into
// its premultiplied pixels once, at its first load; a key then only hands
// those pixels to the window.

#include <cstdint>
#include <map>
#include <memory>

#include <objidl.h>  // before gdiplus.h, which needs IStream
#include <gdiplus.h>

#include "dialogs/BatteryDisable.h"
#include "dialogs/GuestUserDeny.h"
#include "framework/Dialog.h"
#include "osd/LayeredPicture.h"
#include "osd/OsdView.h"
#include "osd/VolumeRules.h"
#include "platform/VendorApi.h"

// Timers of the OSD window; each runs once for 3000 ms per start.
constexpr UINT_PTR OSD_TIMER_HIDE = 0;
constexpr UINT_PTR OSD_TIMER_DISPLAY_COMMIT = 1;
constexpr UINT_PTR OSD_TIMER_BATTERY = 2;
constexpr UINT OSD_TIMER_PERIOD_MS = 3000;

// The charge before the power status was ever read.
constexpr int32_t kBatteryPercentUnknown = -1;

// Every picture of the catalogue has this size; the centring relies on it.
constexpr int kOsdPictureWidth = 190;
constexpr int kOsdPictureHeight = 114;

class Function_UI : public CDialog {
public:
    Function_UI();
    ~Function_UI() override;

    // The display settings the program read at start; before Create. With
    // either on, every show is laid out on the monitor and at the DPI of the
    // moment, and the notices open on that monitor.
    void UseDisplaySettings(const OsdDisplaySettings& settings) { m_view.Configure(settings); }
    // Where a notice or the confirmation opens now: the work area of the
    // screen in use, when the OSD follows it; nullopt for the usual centring.
    std::optional<RECT> NoticeArea() const { return m_view.NoticeArea(); }

    // Releases the current picture and loads PNG resource `id`. FALSE when
    // the picture is missing or does not decode; the OSD then has no picture.
    BOOL LoadPngPicture(uint16_t id);
    // Loads bitmap resource `id` as the new picture, sizes the window to it
    // and draws it. The caller releases the previous picture first.
    BOOL LoadBitmapFromIDResource(uint16_t id, HINSTANCE hInstance);
    // Draws the current picture into the layered window.
    int RenderLayered();
    // Raises the OSD to the top of the top-most band without activating it.
    void BringToFront();

    // Display operations, called by the hotkey dispatcher.
    void ShowBrightness(BOOL up);
    // Reads the eight brightness levels; FALSE (after the guest notice) when
    // the brightness service refuses.
    BOOL ReadBrightnessLevels();
    int32_t CurrentBrightnessIndex();
    void ShowMuteState();
    int32_t CurrentVolumeLevel();
    void StepVolume(BOOL up);
    void ShowWirelessState();
    // The charge from the system's power status; the battery flag, or 0 when
    // the status could not be read.
    DWORD ReadPowerStatus();
    void ShowBatteryLevel();
    void CycleDisplayOutput();
    // Sends the chosen display outputs to the firmware when the commit timer fires.
    void CommitDisplayOutput();

    // The notices while they are open, null otherwise: any key closes them.
    HWND OpenChargingNotice() const { return m_dlgBatteryDisable.m_hWnd; }
    HWND OpenGuestNotice() const { return m_dlgGuestDeny.m_hWnd; }

    // The picture's size as the loaders found it.
    int ImageWidth() const { return m_nImageWidth; }
    int ImageHeight() const { return m_nImageHeight; }

protected:
    int OnCreate(LPCREATESTRUCTW cs);
    BOOL OnInitDialog() override;
    void OnTimer(UINT_PTR nIDEvent);
    LRESULT OnDisplayChange(WPARAM wParam, LPARAM lParam);
    LRESULT OnDpiChanged(WPARAM wParam, LPARAM lParam);
    LRESULT OnGetDpiScaledSize(WPARAM wParam, LPARAM lParam);
    void OnIgnoreCommand();

    // The last steps every PNG display shares: draw, restart the display's
    // own timer with a full period, show.
    void RenderAndShow(UINT_PTR timerId);
    // A notice, run modally where the notices open now.
    void RunNotice(CDialog& notice);

    DECLARE_MESSAGE_MAP()

    int32_t m_nBrightnessLevel[8] = {};
    int m_nImageWidth = 0;
    int m_nImageHeight = 0;
    std::shared_ptr<const LayeredPicture> m_pImageBack;  // the current picture, null when none
    GuestUserDeny m_dlgGuestDeny;
    int32_t m_nVolumeValue[kVolumeLevels] = {};
    CBatteryDisable m_dlgBatteryDisable;
    int32_t m_nDisplayPressCount = 0;
    uint8_t m_byPluggedOutputs = 0;
    uint8_t m_byChosenOutput = 0;
    uint8_t m_byPortQueryDefault = 0xFF;
    int32_t m_nBatteryPercent = kBatteryPercentUnknown;  // until a read succeeds
    ACPI_METHOD_REQUEST m_acpiRequest{};

private:
    void CentreOnPrimaryDisplay();
    // RenderLayered where a display setting is on: size, place and pixels for
    // the monitor and DPI of this show, in one update of the window.
    int RenderPlaced();
    // The picture's pixels and size into the layered window, and its place
    // when one is given; the window becomes layered at the first.
    void UpdateWindowPixels(const LayeredPicture& picture, POINT* destination);

    OsdView m_view;
    uint16_t m_nPictureId = 0;      // the current picture's resource number
    HMONITOR m_hShownOn = nullptr;  // where a placed show last went
    uint32_t m_nShownDpi = kBaseDpi;

    // Every PNG picture that has loaded, by resource id: a resource cannot
    // change while the program runs. A load that fails is not kept, so it
    // fails, with its line, each time.
    std::map<uint16_t, std::shared_ptr<const LayeredPicture>> m_loadedPictures;
};
