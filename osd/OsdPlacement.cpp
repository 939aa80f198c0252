#include "osd/OsdPlacement.h"

#include <cstddef>

// 300 % is the largest notebook panels ship with; above it the largest
// master is enlarged rather than carried at every scale.
const std::vector<uint32_t> kPictureMasterPercents = {100, 150, 200, 300};

namespace {

uint32_t DpiOfPercent(uint32_t percent) { return kBaseDpi * percent / 100; }

bool IsWorkingWindow(const ForegroundView& window) {
    return window.exists && window.visible && !window.minimised && !window.cloaked && !window.ours && !window.shell;
}

bool Names(const OsdScene& scene, int monitor) {
    return monitor >= 0 && static_cast<size_t>(monitor) < scene.monitors.size();
}

}  // namespace

PictureSource PictureSourceForDpi(uint32_t dpi, const std::vector<uint32_t>& masters) {
    for (const uint32_t percent : masters) {
        const uint32_t masterDpi = DpiOfPercent(percent);
        if (masterDpi == dpi) {
            return {percent, PictureFilter::None};
        }
        // Shrinking only ever takes pixels away evenly; enlarging invents them.
        if (masterDpi > dpi) {
            return {percent, PictureFilter::Shrink};
        }
    }
    return {masters.back(), PictureFilter::Enlarge};
}

int32_t ScaleToDpi(int32_t length, uint32_t dpi) {
    const int64_t scaled = static_cast<int64_t>(length) * dpi;
    return static_cast<int32_t>((scaled + kBaseDpi / 2) / kBaseDpi);
}

int ChooseOsdMonitor(OsdScreen screen, const OsdScene& scene) {
    if (screen == OsdScreen::Active) {
        if (IsWorkingWindow(scene.foreground) && Names(scene, scene.foreground.monitor)) {
            return scene.foreground.monitor;
        }
        if (Names(scene, scene.cursorMonitor)) {
            return scene.cursorMonitor;
        }
    }
    if (Names(scene, scene.primary)) {
        return scene.primary;
    }
    // A system that names no primary display still shows on some screen.
    return scene.monitors.empty() ? -1 : 0;
}

OsdLayout LayOutOsd(const OsdDisplaySettings& settings, const OsdScene& scene, int32_t width, int32_t height) {
    OsdLayout layout;
    layout.monitor = ChooseOsdMonitor(settings.screen, scene);
    layout.width = width;
    layout.height = height;
    if (layout.monitor < 0) {
        return layout;
    }
    const MonitorView& monitor = scene.monitors[static_cast<size_t>(layout.monitor)];
    if (settings.sharp) {
        // A monitor that answered no DPI is taken at the system's base.
        layout.dpi = monitor.dpi != 0 ? monitor.dpi : kBaseDpi;
        layout.width = ScaleToDpi(width, layout.dpi);
        layout.height = ScaleToDpi(height, layout.dpi);
        layout.source = PictureSourceForDpi(layout.dpi);
    }
    // As the OSD has always been centred on the primary display's mode.
    layout.x = monitor.bounds.left + (monitor.bounds.Width() - layout.width) / 2;
    layout.y = monitor.bounds.top + (monitor.bounds.Height() - layout.height) / 2;
    return layout;
}
