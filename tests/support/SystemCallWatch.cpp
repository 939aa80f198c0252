#include "tests/support/SystemCallWatch.h"

#include "tests/support/RemoteFunction.h"

#include <shellapi.h>

#include <cstdio>

namespace observe {

namespace {

constexpr DWORD kTrapFlag = 0x100;

}  // namespace

struct SystemCallWatch::Watched {
    const wchar_t* module;
    const char* name;
    int argCount;
    bool logged;
    ULONG_PTR address;
    BYTE original;
    bool armed;  // the breakpoint is in place (or will be again after a step)
};

SystemCallWatch::SystemCallWatch() = default;
SystemCallWatch::~SystemCallWatch() = default;

bool SystemCallWatch::Arm(HANDLE process) {
    m_process = process;
    m_notebook = std::make_unique<sim::Notebook>();
    m_notebook->Open();
    m_watched = {
        {L"user32.dll", "SetTimer", 4, true, 0, 0, false},
        {L"user32.dll", "SetWindowsHookExW", 4, true, 0, 0, true},
        {L"user32.dll", "UnhookWindowsHookEx", 1, true, 0, 0, true},
        {L"user32.dll", "EnumDisplaySettingsW", 3, false, 0, 0, true},
        {L"kernel32.dll", "RegisterApplicationRestart", 2, true, 0, 0, true},
        {L"shell32.dll", "ShellExecuteExW", 1, true, 0, 0, true},
    };
    bool all = true;
    for (Watched& w : m_watched) {
        w.address = RemoteSystemFunction(process, w.module, w.name);
        if (w.address == 0 ||
            !::ReadProcessMemory(process, reinterpret_cast<void*>(w.address), &w.original, 1, nullptr) ||
            (w.armed && !PatchCodeByte(process, w.address, kBreakpointByte))) {
            w.address = 0;
            all = false;
        }
    }
    return all;
}

void SystemCallWatch::WatchTimers(bool watch) {
    std::lock_guard<std::mutex> lock(m_mutex);
    for (Watched& w : m_watched) {
        if (std::string(w.name) == "SetTimer" && w.address != 0 && w.armed != watch) {
            w.armed = watch;
            // A thread stepping over it puts back what `armed` says.
            bool stepping = false;
            for (const auto& step : m_stepping) {
                stepping = stepping || step.second == w.address;
            }
            if (!stepping) {
                PatchCodeByte(m_process, w.address, watch ? kBreakpointByte : w.original);
            }
        }
    }
}

std::vector<SystemCall> SystemCallWatch::Calls() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_calls;
}

bool SystemCallWatch::Handle(const DEBUG_EVENT& ev) {
    if (ev.dwDebugEventCode != EXCEPTION_DEBUG_EVENT) {
        return false;
    }
    const EXCEPTION_RECORD& record = ev.u.Exception.ExceptionRecord;
    std::lock_guard<std::mutex> lock(m_mutex);
    if (record.ExceptionCode == EXCEPTION_SINGLE_STEP) {
        // Past the function's first instruction: the breakpoint goes back,
        // unless the watch was ended meanwhile.
        const auto stepping = m_stepping.find(ev.dwThreadId);
        if (stepping == m_stepping.end()) {
            return false;
        }
        for (const Watched& w : m_watched) {
            if (w.address == stepping->second) {
                PatchCodeByte(m_process, w.address, w.armed ? kBreakpointByte : w.original);
            }
        }
        m_stepping.erase(stepping);
        return true;
    }
    if (record.ExceptionCode != EXCEPTION_BREAKPOINT) {
        return false;
    }
    const auto address = reinterpret_cast<ULONG_PTR>(record.ExceptionAddress);
    const Watched* watched = nullptr;
    for (const Watched& w : m_watched) {
        if (w.address != 0 && w.address == address) {
            watched = &w;
        }
    }
    // A breakpoint just taken out by WatchTimers: the thread runs the
    // function's own first instruction.
    if (watched != nullptr && !watched->armed) {
        StoppedThread thread(ev.dwThreadId);
        if (thread) {
#ifdef _WIN64
            thread.context.Rip = address;
#else
            thread.context.Eip = static_cast<DWORD>(address);
#endif
            thread.Commit();
        }
        return true;
    }
    if (watched == nullptr) {
        return false;
    }
    StoppedThread thread(ev.dwThreadId);
    if (!thread) {
        return false;
    }
    CONTEXT& context = thread.context;
    const CallFrame call = ReadCallFrame(m_process, context);
    const auto& args = call.args;
    const ULONG_PTR returnAddress = call.returnAddress;
    if (watched->logged) {
        m_calls.push_back({watched->name, {args[0], args[1], args[2], args[3]}, ev.dwThreadId, Detail(*watched, args)});
    }

    ULONG_PTR result = 0;
    if (Answer(*watched, args, &result)) {
        ReturnFromCall(context, returnAddress, watched->argCount, result);
    } else {
        // The function runs as it is: its first instruction back in place
        // for one step, then the breakpoint again.
        PatchCodeByte(m_process, address, watched->original);
#ifdef _WIN64
        context.Rip = address;
#else
        context.Eip = static_cast<DWORD>(address);
#endif
        context.EFlags |= kTrapFlag;
        m_stepping[ev.dwThreadId] = address;
    }
    thread.Commit();
    return true;
}

bool SystemCallWatch::Answer(const Watched& watched, const ULONG_PTR (&args)[4], ULONG_PTR* result) {
    const std::string name = watched.name;
    if (name == "SetWindowsHookExW" && args[0] == WH_KEYBOARD_LL && m_refuseHooks) {
        *result = 0;
        return true;
    }
    if (name == "EnumDisplaySettingsW" && AnswerDisplayMode(args)) {
        *result = TRUE;
        return true;
    }
    return false;
}

std::string SystemCallWatch::Detail(const Watched& watched, const ULONG_PTR (&args)[4]) const {
    if (std::string(watched.name) != "ShellExecuteExW") {
        return {};
    }
    // The record lives on the caller's stack: read now, while the call waits.
    SHELLEXECUTEINFOW record{};
    wchar_t verb[16] = {};
    if (!::ReadProcessMemory(m_process, reinterpret_cast<void*>(args[0]), &record, sizeof(record), nullptr)) {
        return "unreadable";
    }
    if (record.lpVerb != nullptr) {
        ::ReadProcessMemory(m_process, record.lpVerb, verb, sizeof(verb) - sizeof(wchar_t), nullptr);
    }
    char text[160];
    std::snprintf(text, sizeof(text), "mask 0x%lx hwnd 0x%llx verb %ls show %d",
                  static_cast<unsigned long>(record.fMask),
                  static_cast<unsigned long long>(reinterpret_cast<ULONG_PTR>(record.hwnd)), verb, record.nShow);
    return text;
}

bool SystemCallWatch::AnswerDisplayMode(const ULONG_PTR (&args)[4]) {
    const ULONG_PTR device = args[0];
    const DWORD mode = static_cast<DWORD>(args[1]);
    const ULONG_PTR devmode = args[2];
    if (device != 0 || mode != ENUM_CURRENT_SETTINGS || devmode == 0) {
        return false;
    }
    int32_t scale = 100;
    if (sim::Lock lock(*m_notebook); lock) {
        scale = lock.state().displayScale;
    }
    if (scale == 100) {
        return false;
    }
    // The caller says how much of the record it has.
    WORD callerSize = 0;
    if (!::ReadProcessMemory(m_process, reinterpret_cast<void*>(devmode + offsetof(DEVMODEW, dmSize)), &callerSize,
                             sizeof(callerSize), nullptr) ||
        callerSize <= offsetof(DEVMODEW, dmPelsHeight)) {
        return false;
    }
    DEVMODEW local{};
    local.dmSize = sizeof(local);
    if (!::EnumDisplaySettingsW(nullptr, ENUM_CURRENT_SETTINGS, &local)) {
        return false;
    }
    // Here the desktop is the display; the panel has the desktop's size
    // times the scale.
    local.dmPelsWidth = static_cast<DWORD>(::GetSystemMetrics(SM_CXSCREEN)) * scale / 100;
    local.dmPelsHeight = static_cast<DWORD>(::GetSystemMetrics(SM_CYSCREEN)) * scale / 100;
    local.dmSize = callerSize < sizeof(local) ? callerSize : static_cast<WORD>(sizeof(local));
    local.dmDriverExtra = 0;
    return ::WriteProcessMemory(m_process, reinterpret_cast<void*>(devmode), &local, local.dmSize, nullptr) != FALSE;
}

}  // namespace observe
