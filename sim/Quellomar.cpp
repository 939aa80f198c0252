// Stand-in for Quellomar.dll: master volume, mute and display brightness of
// the simulated notebook.

#include "platform/VendorApi.h"
#include "sim/StandInCall.h"

using sim::Fault;
using sim::StandInCall;

namespace {

// Refusals of the brightness service are negative.
constexpr int32_t kBrightnessRefused = -1;

int32_t Get(sim::Function f, int32_t refused, int32_t (*value)(const sim::State&)) {
    StandInCall call(f);
    if (!call) {
        return refused;
    }
    switch (call.fault()) {
    case Fault::Refuse:
        return call.Answer(refused);
    case Fault::Range:
        return call.Answer(call.rangeValue());
    default:
        return call.Answer(value(call.state()));
    }
}

}  // namespace

extern "C" {

QUELLOMAR_API int32_t VENDOR_CALL GetMuteVista(void) {
    return Get(sim::Function::GetMuteVista, 0, [](const sim::State& s) { return s.muted; });
}

QUELLOMAR_API int32_t VENDOR_CALL SetMuteVista(int32_t muted) {
    StandInCall call(sim::Function::SetMuteVista);
    if (!call) {
        return 0;
    }
    call.record().arg[0] = static_cast<uint32_t>(muted);
    if (call.fault() == Fault::Refuse) {
        return call.Answer(0);
    }
    // Any non-zero value mutes, as a BOOL would; the state keeps 0 or 1.
    if (call.fault() != Fault::NoWrite) {
        call.state().muted = muted != 0 ? 1 : 0;
    }
    return call.Answer(1);
}

QUELLOMAR_API int32_t VENDOR_CALL GetVolumnVista(void) {
    return Get(sim::Function::GetVolumnVista, 0, [](const sim::State& s) { return s.volume; });
}

QUELLOMAR_API int32_t VENDOR_CALL SetVolumnVista(int32_t volume) {
    StandInCall call(sim::Function::SetVolumnVista);
    if (!call) {
        return 0;
    }
    call.record().arg[0] = static_cast<uint32_t>(volume);
    // A mixer cannot be set outside its scale: refuse rather than clamp, so
    // that a caller's arithmetic slip shows in the log.
    if (call.fault() == Fault::Refuse || volume < 0 || volume > 100) {
        return call.Answer(0);
    }
    if (call.fault() != Fault::NoWrite) {
        call.state().volume = volume;
    }
    return call.Answer(1);
}

QUELLOMAR_API int32_t VENDOR_CALL WMI_GetBrightnessVista(void) {
    return Get(sim::Function::WMI_GetBrightnessVista, kBrightnessRefused,
               [](const sim::State& s) { return s.brightness; });
}

QUELLOMAR_API int32_t VENDOR_CALL WMI_GetBrightnessSetVista(int32_t levelIndex) {
    StandInCall call(sim::Function::WMI_GetBrightnessSetVista);
    if (!call) {
        return kBrightnessRefused;
    }
    call.record().arg[0] = static_cast<uint32_t>(levelIndex);
    if (call.fault() == Fault::Refuse || levelIndex < 0 || levelIndex >= sim::kBrightnessLevelCount) {
        return call.Answer(kBrightnessRefused);
    }
    if (call.fault() == Fault::Range) {
        return call.Answer(call.rangeValue());
    }
    return call.Answer(call.state().brightnessLevels[levelIndex]);
}

}  // extern "C"
