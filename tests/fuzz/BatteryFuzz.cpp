// Any charge byte the power service reports: a charge of 0..100 and one of the
// eleven battery pictures.
#include <initializer_list>

#include "FuzzInput.h"
#include "osd/BatteryRules.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput in(data, size);
    const int32_t charge = ChargeFromLifePercent(in.Take<uint8_t>());
    FUZZ_REQUIRE(charge >= 0 && charge <= 100);
    for (const int32_t any : {charge, in.Take<int32_t>()}) {
        const uint16_t id = BatteryBitmapId(any);
        FUZZ_REQUIRE(id >= kBatteryEmptyBitmap && id <= kBatteryFullBitmap);
    }
    return 0;
}
