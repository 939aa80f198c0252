// Any registry value for the display settings, and any scene the system may
// describe (monitors of any size and DPI, any window in front): the settings
// fall back with one line a bad value, the OSD lands on a monitor of the
// scene, and a scaled picture has exactly the size asked for.
#include <vector>

#include "FuzzInput.h"
#include "osd/OsdPlacement.h"
#include "osd/OsdSettings.h"
#include "osd/PictureScaling.h"

namespace {

SettingValue TakeValue(FuzzInput& in) {
    SettingValue value{L"key", in.Take<uint8_t>() % 8u, {}};
    value.bytes.resize(in.Take<uint8_t>() % 24u);
    for (uint8_t& byte : value.bytes) {
        byte = in.Take<uint8_t>();
    }
    return value;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput in(data, size);
    const SettingsRead read = ParseOsdSettings(TakeValue(in), TakeValue(in));
    FUZZ_REQUIRE(read.lines.size() <= 2);

    OsdScene scene;
    scene.monitors.resize(in.Take<uint8_t>() % 4u);
    for (MonitorView& monitor : scene.monitors) {
        monitor.bounds = {in.Take<int16_t>(), in.Take<int16_t>(), in.Take<int16_t>(), in.Take<int16_t>()};
        monitor.dpi = in.Take<uint16_t>() % 1000u;
    }
    scene.primary = in.Take<int8_t>();
    scene.cursorMonitor = in.Take<int8_t>();
    const uint8_t flags = in.Take<uint8_t>();
    scene.foreground = {(flags & 1) != 0,  (flags & 2) != 0,  (flags & 4) != 0, (flags & 8) != 0,
                        (flags & 16) != 0, (flags & 32) != 0, in.Take<int8_t>()};
    const OsdLayout layout = LayOutOsd(read.settings, scene, 190, 114);
    FUZZ_REQUIRE(layout.monitor < static_cast<int>(scene.monitors.size()));
    FUZZ_REQUIRE(layout.monitor >= 0 || scene.monitors.empty());
    FUZZ_REQUIRE(layout.width >= 0 && layout.height >= 0);

    // Pictures of up to the largest master's size, to any size near it.
    PixelImage source{in.Take<uint8_t>() % 64, in.Take<uint8_t>() % 64, {}};
    source.pixels.resize(static_cast<size_t>(source.width) * source.height, in.Take<uint32_t>());
    const int32_t width = in.Take<uint8_t>() % 96, height = in.Take<uint8_t>() % 96;
    const auto filter = static_cast<PictureFilter>(in.Take<uint8_t>() % 3u);
    const PixelImage scaled = ScalePicture(source, width, height, filter);
    if (width > 0 && height > 0) {
        FUZZ_REQUIRE(scaled.width == width && scaled.height == height);
        FUZZ_REQUIRE(scaled.pixels.size() == static_cast<size_t>(width) * height);
    } else {
        FUZZ_REQUIRE(scaled.pixels.empty());
    }
    return 0;
}
