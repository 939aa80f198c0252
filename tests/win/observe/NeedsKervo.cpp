// observe_needs_kervo: the smallest program that links Kervo.dll the way the
// real one does. It reads the wireless register once and reports the byte.

#include "platform/VendorApi.h"

#include <windows.h>

#include <cstdio>

int wmain() {
    uint8_t value = 0;
    const int32_t ok = KervoEvaluate(EC_READ_COMMAND, &EC_WIRELESS_REGISTER, 1, &value, 1);
    char line[32];
    std::snprintf(line, sizeof line, "ec 0x%02x ok %d\n", value, ok != 0 ? 1 : 0);
    OutputDebugStringA(line);
    return 0;
}
