// Any key event: the look-up names a row's action exactly when a row matches.
#include "FuzzInput.h"
#include "hotkeys/DecisionTable.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput in(data, size);
    const auto flags = in.Take<uint32_t>();
    const auto scanCode = in.Take<uint32_t>();
    const HotkeyAction action = LookUpHotkey(flags, scanCode);
    int matching = 0;
    for (const HotkeyRow& row : HotkeyRows()) {
        if (RowMatches(row, flags, scanCode)) {
            ++matching;
            FUZZ_REQUIRE(row.action == action);
        }
    }
    FUZZ_REQUIRE(matching <= 1);  // each scan code has one row
    FUZZ_REQUIRE((matching == 0) == (action == HotkeyAction::None));
    return 0;
}
