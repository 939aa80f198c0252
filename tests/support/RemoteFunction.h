#pragma once
// Where a system function lies in another process: both processes run the
// same system libraries, so it lies at the same offset in its module there as
// here (a forwarded export included).

#include <windows.h>

#include "framework/Handles.h"

namespace observe {

// 0 when the function or its module cannot be found.
ULONG_PTR RemoteSystemFunction(HANDLE process, const wchar_t* module, const char* function);

// Writes one byte of code in `process` and flushes it; false when it cannot.
bool PatchCodeByte(HANDLE process, ULONG_PTR address, BYTE value);

constexpr BYTE kBreakpointByte = 0xCC;  // int3

// The thread a debug event stopped, with its control and integer registers
// read; Commit writes them back.
class StoppedThread {
public:
    explicit StoppedThread(DWORD threadId);
    StoppedThread(const StoppedThread&) = delete;
    StoppedThread& operator=(const StoppedThread&) = delete;
    explicit operator bool() const { return m_read; }
    bool Commit() { return ::SetThreadContext(m_thread.get(), &context) != FALSE; }

    CONTEXT context{};

private:
    UniqueKernelHandle m_thread;
    bool m_read = false;
};

// A call as its function's first instruction sees it: the return address on
// top of the stack, the first four arguments in registers (x86-64) or after
// it (i686).
struct CallFrame {
    ULONG_PTR returnAddress = 0;
    ULONG_PTR args[4] = {};
};
CallFrame ReadCallFrame(HANDLE process, const CONTEXT& context);

// Makes `context`, stopped at a function's first instruction, return to
// `returnAddress` with `result`, as the function would (stdcall on i686: the
// callee pops its `argCount` arguments).
void ReturnFromCall(CONTEXT& context, ULONG_PTR returnAddress, int argCount, ULONG_PTR result);

}  // namespace observe
