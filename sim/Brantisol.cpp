// Stand-in for Brantisol.dll: the BIOS flag that disables battery charging.

#include "platform/VendorApi.h"
#include "sim/StandInCall.h"

using sim::Fault;

extern "C" {

BRANTISOL_API int32_t VENDOR_CALL GetBatteryChargingDisable(int32_t* disabled) {
    sim::StandInCall call(sim::Function::GetBatteryChargingDisable);
    if (!call) {
        return 0;
    }
    // Logged before anything else: a null out-pointer is the caller's bug to see.
    if (!disabled) {
        call.record().flags |= sim::CallFlag::kOutputNull;
        return call.Answer(0);
    }
    switch (call.fault()) {
    case Fault::Refuse:
        return call.Answer(0);
    case Fault::NoWrite:
        return call.Answer(1);
    default:
        break;
    }
    const int32_t value = call.fault() == Fault::Range ? call.rangeValue() : call.state().chargingDisabled;
    *disabled = value;
    call.Wrote(static_cast<uint32_t>(value));
    return call.Answer(1);
}

}  // extern "C"
