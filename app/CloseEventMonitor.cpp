#include "app/CloseEventMonitor.h"

#include "framework/DebugOutput.h"

namespace {
constexpr wchar_t kCloseEventName[] = L"BTMCloseEvent";
constexpr DWORD kCloseSignalled = WAIT_OBJECT_0;
constexpr DWORD kStopSignalled = WAIT_OBJECT_0 + 1;
constexpr DWORD kJoinTimeoutMs = 5000;

// Says why the watcher is missing: the error of the creation that just failed.
CWinThread* NotStarted() {
    DiagnosticLine(L"Close event watcher not started: error %lu\n", ::GetLastError());
    return nullptr;
}
}  // namespace

CWinThread* CloseEventMonitor::Start() {
    m_pThread.reset();
    // Auto-reset: each signal releases one wait and so posts one WM_CLOSE. An
    // event another process created already is opened, signalled or not.
    m_pEvent = std::make_unique<CEvent>(FALSE, FALSE, kCloseEventName, nullptr);
    if (m_pEvent->m_hObject == nullptr) {
        return NotStarted();
    }
    m_pStop = std::make_unique<CEvent>(FALSE, TRUE, nullptr, nullptr);
    if (m_pStop->m_hObject == nullptr) {
        return NotStarted();
    }
    m_waitList[0] = m_pEvent.get();
    m_waitList[1] = m_pStop.get();
    m_pWait = std::make_unique<CMultiLock>(m_waitList, 2, FALSE);

    CWinThread* thread = AfxBeginThread(&CloseEventWatcher, this, THREAD_PRIORITY_NORMAL, 0, CREATE_SUSPENDED);
    if (thread == nullptr) {
        return NotStarted();
    }
    thread->m_bAutoDelete = FALSE;
    m_pThread.reset(thread);
    thread->ResumeThread();
    return thread;
}

UINT CloseEventMonitor::CloseEventWatcher(LPVOID record) {
    auto* monitor = static_cast<CloseEventMonitor*>(record);
    for (;;) {
        const DWORD result = monitor->m_pWait->Lock(INFINITE, FALSE, 0);
        if (result == kCloseSignalled) {
            // A window already gone only makes the post fail.
            ::PostMessageW(monitor->m_hTarget, WM_CLOSE, 0, 0);
        } else if (result == kStopSignalled || result == WAIT_FAILED) {
            // A wait that fails would fail again at once: end rather than spin.
            return 0;
        }
    }
}

CloseEventMonitor::~CloseEventMonitor() {
    // The worker must not touch the record once it is released: wake it and
    // wait for it before anything goes.
    if (m_pThread && m_pStop) {
        m_pStop->SetEvent();
        ::WaitForSingleObject(m_pThread->m_hThread, kJoinTimeoutMs);
    }
    m_pThread.reset();
    m_pWait.reset();
    m_pEvent.reset();
    m_pStop.reset();
}
