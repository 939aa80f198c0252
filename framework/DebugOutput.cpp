#include "framework/DebugOutput.h"

#include <cstdarg>
#include <cwchar>
#include <vector>

#include <windows.h>

void DiagnosticText(const std::wstring& text) { ::OutputDebugStringW(text.c_str()); }

void DiagnosticLine(const wchar_t* format, ...) {
    std::vector<wchar_t> buffer(256);
    for (;;) {
        va_list args;
        va_start(args, format);
        const int written = std::vswprintf(buffer.data(), buffer.size(), format, args);
        va_end(args);
        if (written >= 0 && static_cast<size_t>(written) < buffer.size()) {
            break;
        }
        if (buffer.size() >= 64 * 1024) {
            buffer.back() = L'\0';  // keep what fitted rather than lose the line
            break;
        }
        buffer.resize(buffer.size() * 4);
    }
    ::OutputDebugStringW(buffer.data());
}
