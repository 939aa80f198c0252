#pragma once
// The companion program's registry value as the file to start.

#include <cstddef>
#include <optional>
#include <string>

// `units` holds what the registry wrote into a buffer of `bufferUnits` UTF-16
// units: `bytesRead` bytes. The text ends at its first NUL, or where the bytes
// read end. A value that fills the whole buffer without a NUL, or claims more
// bytes than the buffer holds, cannot be ended safely and names nothing.
std::optional<std::u16string> CompanionPathFromValue(const char16_t* units, size_t bytesRead, size_t bufferUnits);
