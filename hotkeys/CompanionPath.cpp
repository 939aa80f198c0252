#include "hotkeys/CompanionPath.h"

std::optional<std::u16string> CompanionPathFromValue(const char16_t* units, size_t bytesRead, size_t bufferUnits) {
    const size_t count = bytesRead / sizeof(char16_t);
    if (count > bufferUnits) {
        return std::nullopt;
    }
    const bool ended = count < bufferUnits || (count > 0 && units[count - 1] == u'\0');
    if (!ended) {
        return std::nullopt;
    }
    size_t length = 0;
    while (length < count && units[length] != u'\0') {
        ++length;
    }
    return std::u16string(units, length);
}
