#pragma once
// Kernel synchronisation objects: an event and a lock that waits on several
// objects at once.

#include <vector>

#include <windows.h>

class CSyncObject {
public:
    CSyncObject() = default;
    CSyncObject(const CSyncObject&) = delete;
    CSyncObject& operator=(const CSyncObject&) = delete;
    virtual ~CSyncObject();

    HANDLE m_hObject = nullptr;
};

class CEvent : public CSyncObject {
public:
    // Creates (or opens, when the name exists) the event.
    explicit CEvent(BOOL bInitiallyOwn = FALSE, BOOL bManualReset = FALSE, const wchar_t* pstrName = nullptr,
                    LPSECURITY_ATTRIBUTES lpsaAttribute = nullptr);
    BOOL SetEvent() { return ::SetEvent(m_hObject); }
    BOOL ResetEvent() { return ::ResetEvent(m_hObject); }
};

class CMultiLock {
public:
    CMultiLock(CSyncObject* ppObjects[], DWORD dwCount, BOOL bInitialLock = FALSE);
    CMultiLock(const CMultiLock&) = delete;
    CMultiLock& operator=(const CMultiLock&) = delete;

    // The wait's result as WaitForMultipleObjects (or, with a wake mask,
    // MsgWaitForMultipleObjects) gives it.
    DWORD Lock(DWORD dwTimeOut = INFINITE, BOOL bWaitForAll = TRUE, DWORD dwWakeMask = 0);

private:
    std::vector<HANDLE> m_handles;
};
