#include "tests/support/RemoteFunction.h"

#include <psapi.h>

#include <algorithm>
#include <cwchar>

namespace observe {

namespace {

// Base of the module named `name` (no folder) in `process`; 0 when absent.
ULONG_PTR RemoteModuleBase(HANDLE process, const wchar_t* name) {
    HMODULE modules[512];
    DWORD needed = 0;
    if (!::EnumProcessModules(process, modules, sizeof(modules), &needed)) {
        return 0;
    }
    const DWORD count = std::min<DWORD>(needed / sizeof(HMODULE), 512);
    for (DWORD i = 0; i < count; ++i) {
        wchar_t baseName[MAX_PATH] = {};
        if (::GetModuleBaseNameW(process, modules[i], baseName, MAX_PATH) > 0 && _wcsicmp(baseName, name) == 0) {
            return reinterpret_cast<ULONG_PTR>(modules[i]);
        }
    }
    return 0;
}

}  // namespace

ULONG_PTR RemoteSystemFunction(HANDLE process, const wchar_t* module, const char* function) {
    HMODULE exporter = ::GetModuleHandleW(module);
    if (exporter == nullptr) {
        exporter = ::LoadLibraryW(module);
    }
    const auto local = reinterpret_cast<ULONG_PTR>(::GetProcAddress(exporter, function));
    HMODULE localModule = nullptr;
    wchar_t path[MAX_PATH] = {};
    if (local == 0 ||
        !::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                              reinterpret_cast<LPCWSTR>(local), &localModule) ||
        ::GetModuleFileNameW(localModule, path, MAX_PATH) == 0) {
        return 0;
    }
    const wchar_t* slash = std::wcsrchr(path, L'\\');
    const ULONG_PTR remoteBase = RemoteModuleBase(process, slash != nullptr ? slash + 1 : path);
    return remoteBase == 0 ? 0 : remoteBase + (local - reinterpret_cast<ULONG_PTR>(localModule));
}

bool PatchCodeByte(HANDLE process, ULONG_PTR address, BYTE value) {
    DWORD oldProtect = 0;
    void* target = reinterpret_cast<void*>(address);
    if (!::VirtualProtectEx(process, target, 1, PAGE_EXECUTE_READWRITE, &oldProtect)) {
        return false;
    }
    SIZE_T written = 0;
    const bool patched = ::WriteProcessMemory(process, target, &value, 1, &written) && written == 1;
    ::VirtualProtectEx(process, target, 1, oldProtect, &oldProtect);
    ::FlushInstructionCache(process, target, 1);
    return patched;
}

StoppedThread::StoppedThread(DWORD threadId)
    : m_thread(::OpenThread(THREAD_GET_CONTEXT | THREAD_SET_CONTEXT, FALSE, threadId)) {
    context.ContextFlags = CONTEXT_CONTROL | CONTEXT_INTEGER;
    m_read = m_thread && ::GetThreadContext(m_thread.get(), &context);
}

CallFrame ReadCallFrame(HANDLE process, const CONTEXT& context) {
    CallFrame call;
#ifdef _WIN64
    ::ReadProcessMemory(process, reinterpret_cast<void*>(context.Rsp), &call.returnAddress, sizeof(call.returnAddress),
                        nullptr);
    const DWORD64 registers[4] = {context.Rcx, context.Rdx, context.R8, context.R9};
    for (int i = 0; i < 4; ++i) {
        call.args[i] = registers[i];
    }
#else
    DWORD frame[5] = {};
    ::ReadProcessMemory(process, reinterpret_cast<void*>(static_cast<ULONG_PTR>(context.Esp)), frame, sizeof(frame),
                        nullptr);
    call.returnAddress = frame[0];
    for (int i = 0; i < 4; ++i) {
        call.args[i] = frame[i + 1];
    }
#endif
    return call;
}

void ReturnFromCall(CONTEXT& context, ULONG_PTR returnAddress, int argCount, ULONG_PTR result) {
#ifdef _WIN64
    (void)argCount;  // in registers
    context.Rip = returnAddress;
    context.Rsp += sizeof(ULONG_PTR);
    context.Rax = result;
#else
    context.Eip = static_cast<DWORD>(returnAddress);
    context.Esp += static_cast<DWORD>((1 + argCount) * sizeof(DWORD));
    context.Eax = static_cast<DWORD>(result);
#endif
}

}  // namespace observe
