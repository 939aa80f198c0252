#pragma once
// Lets another process close the program without knowing its window: a worker
// thread waits on the named event "BTMCloseEvent" and posts WM_CLOSE to the
// hidden main window each time it is signalled.

#include <memory>

#include <windows.h>

#include "framework/SyncObjects.h"
#include "framework/WinThread.h"

class CloseEventMonitor {
public:
    CloseEventMonitor() = default;
    CloseEventMonitor(const CloseEventMonitor&) = delete;
    CloseEventMonitor& operator=(const CloseEventMonitor&) = delete;
    // Wakes the worker, waits for it, then releases the thread object, the
    // wait lock and the event, in that order.
    ~CloseEventMonitor();

    // Starts the worker; m_hTarget must be set first. Null when the event or
    // the thread could not be created.
    CWinThread* Start();

    std::unique_ptr<CEvent> m_pEvent;
    // A private event that tells the worker to end, and the close event.
    CSyncObject* m_waitList[2] = {};
    std::unique_ptr<CMultiLock> m_pWait;
    HWND m_hTarget = nullptr;
    std::unique_ptr<CWinThread> m_pThread;

private:
    static UINT CloseEventWatcher(LPVOID record);
    // True once the stop event is set, waiting at most waitMs for it.
    bool Stopped(DWORD waitMs) const;

    std::unique_ptr<CEvent> m_pStop;
};
