// Any plugged sets, changing between any presses: a press chooses only an
// output with a picture, and never one the set it was chosen from lacks.
#include "FuzzInput.h"
#include "osd/DisplayOutputRules.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput in(data, size);
    int32_t pressCount = in.Take<int32_t>();
    uint8_t chosen = in.Take<uint8_t>();
    while (!in.Empty()) {
        const uint8_t plugged = in.Take<uint8_t>();
        const uint8_t before = chosen;
        const DisplayPress press = AdvanceDisplayCycle(plugged, pressCount, chosen);
        if (press.loadPicture) {
            FUZZ_REQUIRE(press.show);
            FUZZ_REQUIRE(press.pictureId == DisplayOutputPictureId(chosen) && press.pictureId != 0);
            FUZZ_REQUIRE((chosen & ~plugged) == 0);
        } else {
            FUZZ_REQUIRE(chosen == before);
        }
    }
    return 0;
}
