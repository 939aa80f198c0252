#pragma once
// Where a system function lies in another process: both processes run the
// same system libraries, so it lies at the same offset in its module there as
// here (a forwarded export included).

#include <windows.h>

namespace observe {

// 0 when the function or its module cannot be found.
ULONG_PTR RemoteSystemFunction(HANDLE process, const wchar_t* module, const char* function);

// Writes one byte of code in `process` and flushes it; false when it cannot.
bool PatchCodeByte(HANDLE process, ULONG_PTR address, BYTE value);

constexpr BYTE kBreakpointByte = 0xCC;  // int3

}  // namespace observe
