#pragma once
// Calls of newer Windows versions, looked up when used rather than imported:
// a program that imports a function its system lacks does not load at all.

#include <windows.h>

// `name` in `module` as the function type it has; null when either is missing.
template <class Function>
Function LookUp(HMODULE module, const char* name) {
    return module != nullptr ? reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(module, name)))
                             : nullptr;
}
