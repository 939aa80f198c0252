// Any value the registry may write into the companion's buffer: the path never
// reaches past the bytes read or the buffer, and holds no NUL.
#include <algorithm>
#include <vector>

#include "FuzzInput.h"
#include "hotkeys/CompanionPath.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput in(data, size);
    const size_t bufferUnits = 1 + in.Take<uint8_t>();
    const size_t bytesRead = in.Take<uint16_t>();
    // Exactly the buffer's size, so that a read past it is caught.
    std::vector<char16_t> buffer(bufferUnits);
    for (char16_t& unit : buffer) {
        unit = in.Take<char16_t>();
    }
    const auto path = CompanionPathFromValue(buffer.data(), bytesRead, bufferUnits);
    const size_t count = bytesRead / sizeof(char16_t);
    if (path) {
        FUZZ_REQUIRE(count <= bufferUnits && path->size() <= count);
        FUZZ_REQUIRE(std::equal(path->begin(), path->end(), buffer.begin()));
        FUZZ_REQUIRE(path->find(u'\0') == std::u16string::npos);
    } else {
        FUZZ_REQUIRE(count > bufferUnits || (count == bufferUnits && buffer[count - 1] != u'\0'));
    }
    return 0;
}
