#pragma once
// Where the OSD shows when the user asked for it to be sharp at the display's
// scale or to follow the screen they work on: the scene at each show (the
// window in front, the cursor, the monitors and their DPIs), the layout the
// placement rule gives for it, and the pictures scaled from the masters, the
// most recently shown kept. With neither setting the OSD keeps its one place
// and none of this runs.

#include <cstdint>
#include <list>
#include <memory>
#include <optional>
#include <vector>

#include <windows.h>

#include "framework/Handles.h"
#include "osd/LayeredPicture.h"
#include "osd/OsdPlacement.h"

// Scaled pictures kept at once: every picture of one kind of display at one
// scale, with room for a second monitor's scale. The 100 % pictures are kept
// apart, all of them, as always.
constexpr size_t kMostScaledPictures = 16;

class OsdView {
public:
    // Sharp only where the process is per-monitor DPI aware (the caller
    // asked and looked).
    void Configure(const OsdDisplaySettings& settings);
    const OsdDisplaySettings& Settings() const { return m_settings; }
    // True when a setting is on: every show is laid out afresh.
    bool Places() const { return m_settings.sharp || m_settings.screen == OsdScreen::Active; }

    struct Placement {
        OsdLayout layout;
        HMONITOR monitor = nullptr;
    };
    // A picture of width x height at 96 DPI, laid out for a show now.
    Placement LayOut(int32_t width, int32_t height) const;
    // The work area of the monitor the OSD would show on now, when it follows
    // the screen in use; the notices open centred there. nullopt otherwise.
    std::optional<RECT> NoticeArea() const;

    // Picture `id` at the layout's size, made from its master as the layout
    // says; from `fallback`, its 100 % picture, where the master is missing.
    std::shared_ptr<const LayeredPicture> Picture(uint16_t id, const OsdLayout& layout, const LayeredPicture* fallback);
    // A display or DPI change: the next show makes its pictures afresh.
    void DropScaled() { m_scaled.clear(); }
    size_t ScaledCount() const { return m_scaled.size(); }

private:
    OsdScene SceneNow(std::vector<HMONITOR>* handles) const;
    uint32_t DpiOf(HMONITOR monitor) const;
    bool Cloaked(HWND window) const;

    using DpiForMonitor = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
    using WindowAttribute = HRESULT(WINAPI*)(HWND, DWORD, void*, DWORD);

    OsdDisplaySettings m_settings;
    UniqueModule m_shcore;  // Windows 8.1 and later
    UniqueModule m_dwmapi;
    DpiForMonitor m_dpiForMonitor = nullptr;
    WindowAttribute m_windowAttribute = nullptr;
    uint32_t m_systemDpi = kBaseDpi;

    struct Scaled {
        uint16_t id;
        int32_t width;
        int32_t height;
        std::shared_ptr<const LayeredPicture> picture;
    };
    std::list<Scaled> m_scaled;  // the most recently shown first
};
