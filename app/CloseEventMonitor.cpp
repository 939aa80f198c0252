#include "app/CloseEventMonitor.h"

#include "app/AppMessages.h"
#include "framework/DebugOutput.h"

namespace {
// The private stop event comes first: a wait reports the lowest signalled
// object, and a close event that stays signalled must never hide the stop.
constexpr DWORD kStopSignalled = WAIT_OBJECT_0;
constexpr DWORD kCloseSignalled = WAIT_OBJECT_0 + 1;
// How soon a close that could not be posted (a full queue) is tried again.
constexpr DWORD kPostRetryMs = 100;

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
    m_waitList[0] = m_pStop.get();
    m_waitList[1] = m_pEvent.get();
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

bool CloseEventMonitor::Stopped(DWORD waitMs) const {
    return ::WaitForSingleObject(m_pStop->m_hObject, waitMs) == WAIT_OBJECT_0;
}

UINT CloseEventMonitor::CloseEventWatcher(LPVOID record) {
    auto* monitor = static_cast<CloseEventMonitor*>(record);
    for (;;) {
        const DWORD result = monitor->m_pWait->Lock(INFINITE, FALSE, 0);
        if (result != kCloseSignalled) {
            // Told to stop, or a wait that fails and would fail again at once.
            return 0;
        }
        // A queue that is full takes the close a moment later; a window
        // already gone is the program ending anyway.
        while (!::PostMessageW(monitor->m_hTarget, WM_CLOSE, 0, 0) && ::IsWindow(monitor->m_hTarget)) {
            if (monitor->Stopped(kPostRetryMs)) {
                return 0;
            }
        }
        // Another program may have made the event manual-reset and left it
        // signalled: every wait from now on would return at once. One close
        // is under way; wait for the end instead of posting more.
        if (::WaitForSingleObject(monitor->m_pEvent->m_hObject, 0) == WAIT_OBJECT_0) {
            monitor->Stopped(INFINITE);
            return 0;
        }
    }
}

CloseEventMonitor::~CloseEventMonitor() {
    // The worker must not touch the record once it is released: it is woken
    // by the stop event, which it always sees first, and waited for to the end.
    if (m_pThread && m_pStop) {
        m_pStop->SetEvent();
        ::WaitForSingleObject(m_pThread->m_hThread, INFINITE);
    }
    m_pThread.reset();
    m_pWait.reset();
    m_pEvent.reset();
    m_pStop.reset();
}
