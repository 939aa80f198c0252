#include "tests/support/Debuggee.h"

#include "tests/support/Process.h"

#include <chrono>
#include <cstdio>

namespace observe {

namespace {

// Beyond this a debug string is cut; nobody writes diagnostics that long.
constexpr SIZE_T kMaxDebugString = 1 << 20;
// A 32-bit debuggee under a 64-bit debugger reports its first breakpoint so.
constexpr DWORD kWx86Breakpoint = 0x4000001F;

std::string ReadDebugString(HANDLE process, const OUTPUT_DEBUG_STRING_INFO& info) {
    SIZE_T chars = info.nDebugStringLength;
    if (chars > kMaxDebugString) {
        chars = kMaxDebugString;
    }
    if (chars == 0) {
        return {};
    }
    if (info.fUnicode) {
        std::wstring w(chars, L'\0');
        SIZE_T got = 0;
        ReadProcessMemory(process, info.lpDebugStringData, w.data(), chars * sizeof(wchar_t), &got);
        w.resize(got / sizeof(wchar_t));
        // The length counts the terminating NUL; the text ends at the first one.
        const size_t nul = w.find(L'\0');
        if (nul != std::wstring::npos) {
            w.resize(nul);
        }
        if (w.empty()) {
            return {};
        }
        // The ANSI code page, so that a line reads the same whichever way it came.
        const int n =
            WideCharToMultiByte(CP_ACP, 0, w.data(), static_cast<int>(w.size()), nullptr, 0, nullptr, nullptr);
        std::string s(n, '\0');
        WideCharToMultiByte(CP_ACP, 0, w.data(), static_cast<int>(w.size()), s.data(), n, nullptr, nullptr);
        return s;
    }
    std::string s(chars, '\0');
    SIZE_T got = 0;
    ReadProcessMemory(process, info.lpDebugStringData, s.data(), chars, &got);
    s.resize(got);
    const size_t nul = s.find('\0');
    if (nul != std::string::npos) {
        s.resize(nul);
    }
    return s;
}

}  // namespace

Debuggee::~Debuggee() {
    if (m_thread.joinable()) {
        if (Running()) {
            Terminate(1);
        }
        m_thread.join();
    }
}

void Debuggee::OnLine(std::function<void(const std::string&)> handler) { m_onLine = std::move(handler); }

bool Debuggee::Start(const std::wstring& exe, const std::wstring& args, const std::wstring& workDir) {
    if (m_thread.joinable()) {
        m_error = "already started";
        return false;
    }
    std::wstring commandLine = L"\"" + exe + L"\"";
    if (!args.empty()) {
        commandLine += L" " + args;
    }
    // The debug events go to the thread that created the process, so the
    // loop's own thread creates it.
    m_thread = std::thread(&Debuggee::Loop, this, std::move(commandLine), workDir);
    std::unique_lock<std::mutex> lock(m_mutex);
    m_changed.wait(lock, [this] { return m_startDone; });
    return static_cast<bool>(m_process);
}

void Debuggee::Loop(std::wstring commandLine, std::wstring workDir) {
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    const BOOL created = CreateProcessRetrying(nullptr, commandLine, FALSE, DEBUG_ONLY_THIS_PROCESS,
                                               workDir.empty() ? nullptr : workDir.c_str(), &si, &pi);
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_startDone = true;
        if (!created) {
            char buf[64];
            std::snprintf(buf, sizeof buf, "CreateProcess failed (error %lu)", GetLastError());
            m_error = buf;
            m_loopDone = true;
        } else {
            m_process.reset(pi.hProcess);
            m_pid = pi.dwProcessId;
            UniqueKernelHandle mainThread(pi.hThread);  // its events name it again
        }
    }
    m_changed.notify_all();
    if (!created) {
        return;
    }

    // The loader's breakpoint arrives once, before the program's own code runs;
    // a debugger must swallow it or the program dies of it.
    bool initialBreakSeen = false;
    for (;;) {
        DEBUG_EVENT ev{};
        // Only the exit event ends the loop: a program can go quiet for a long time.
        if (!WaitForDebugEvent(&ev, 200)) {
            continue;
        }

        DWORD status = DBG_CONTINUE;
        switch (ev.dwDebugEventCode) {
        case CREATE_PROCESS_DEBUG_EVENT:
            m_mainThreadId = ev.dwThreadId;
            UniqueKernelHandle(ev.u.CreateProcessInfo.hFile).reset();  // handed over to the debugger to close
            break;
        case LOAD_DLL_DEBUG_EVENT:
            UniqueKernelHandle(ev.u.LoadDll.hFile).reset();
            break;
        case EXCEPTION_DEBUG_EVENT: {
            const DWORD code = ev.u.Exception.ExceptionRecord.ExceptionCode;
            if (!initialBreakSeen && (code == EXCEPTION_BREAKPOINT || code == kWx86Breakpoint)) {
                initialBreakSeen = true;
                // Every module the program links is loaded by now.
                m_power.Arm(m_process.get(), m_pid);
                m_calls.Arm(m_process.get());
            } else if (m_power.Answer(ev)) {
                // The power-status call, answered from the notebook.
            } else if (m_calls.Handle(ev)) {
                // A watched system call, logged or answered.
            } else {
                // Let the program's own handlers see it, as without a debugger.
                status = DBG_EXCEPTION_NOT_HANDLED;
            }
            break;
        }
        case OUTPUT_DEBUG_STRING_EVENT:
            AddLine(ReadDebugString(m_process.get(), ev.u.DebugString));
            break;
        // Continued before waking the waiters, so the process is really gone
        // once WaitExit returns.
        case EXIT_PROCESS_DEBUG_EVENT: {
            ContinueDebugEvent(ev.dwProcessId, ev.dwThreadId, DBG_CONTINUE);
            {
                std::lock_guard<std::mutex> lock(m_mutex);
                m_exitCode = ev.u.ExitProcess.dwExitCode;
                m_loopDone = true;
            }
            m_changed.notify_all();
            return;
        }
        default:
            break;
        }
        ContinueDebugEvent(ev.dwProcessId, ev.dwThreadId, status);
    }
}

void Debuggee::AddLine(std::string line) {
    if (m_onLine) {
        m_onLine(line);
    }
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_lines.push_back(std::move(line));
    }
    m_changed.notify_all();
}

template <class Pred>
bool Debuggee::WaitUntil(DWORD timeoutMs, Pred pred) const {
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), pred);
}

std::vector<std::string> Debuggee::Lines() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_lines;
}

bool Debuggee::WaitForLine(const std::string& text, DWORD timeoutMs) const {
    // Lines only ever get appended, so each wake-up looks at the new ones only.
    size_t checked = 0;
    return WaitUntil(timeoutMs, [&] {
        for (; checked < m_lines.size(); ++checked) {
            if (m_lines[checked] == text) {
                return true;
            }
        }
        return false;
    });
}

bool Debuggee::WaitForLineCount(std::size_t n, DWORD timeoutMs) const {
    return WaitUntil(timeoutMs, [&] { return m_lines.size() >= n; });
}

std::optional<DWORD> Debuggee::WaitExit(DWORD timeoutMs) const {
    WaitUntil(timeoutMs, [&] { return m_loopDone; });
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_exitCode;
}

std::optional<DWORD> Debuggee::ExitCode() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_exitCode;
}

bool Debuggee::Running() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_process && !m_loopDone;
}

bool Debuggee::Terminate(UINT exitCode) {
    HANDLE process;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_process || m_loopDone) {
            return false;
        }
        process = m_process.get();
    }
    return TerminateProcess(process, exitCode) != FALSE;
}

}  // namespace observe
