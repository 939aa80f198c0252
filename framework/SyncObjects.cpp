#include "framework/SyncObjects.h"

CSyncObject::~CSyncObject() {
    if (m_hObject != nullptr) {
        ::CloseHandle(m_hObject);
    }
}

CEvent::CEvent(BOOL bInitiallyOwn, BOOL bManualReset, const wchar_t* pstrName, LPSECURITY_ATTRIBUTES lpsaAttribute) {
    m_hObject = ::CreateEventW(lpsaAttribute, bManualReset, bInitiallyOwn, pstrName);
}

CMultiLock::CMultiLock(CSyncObject* ppObjects[], DWORD dwCount, BOOL bInitialLock) {
    m_handles.reserve(dwCount);
    for (DWORD i = 0; i < dwCount; ++i) {
        m_handles.push_back(ppObjects[i] != nullptr ? ppObjects[i]->m_hObject : nullptr);
    }
    if (bInitialLock) {
        Lock();
    }
}

DWORD CMultiLock::Lock(DWORD dwTimeOut, BOOL bWaitForAll, DWORD dwWakeMask) {
    const DWORD count = static_cast<DWORD>(m_handles.size());
    if (dwWakeMask != 0) {
        return ::MsgWaitForMultipleObjects(count, m_handles.data(), bWaitForAll, dwTimeOut, dwWakeMask);
    }
    return ::WaitForMultipleObjects(count, m_handles.data(), bWaitForAll, dwTimeOut);
}
