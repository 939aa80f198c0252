#include "app/SystemNotifications.h"

#include <wtsapi32.h>

#include <cstring>

#include "app/AppMessages.h"

namespace {
// Set by the system once its terminal services take registrations; a
// manual-reset event that stays set from then on.
constexpr wchar_t kSessionServicesReadyEvent[] = L"Global\\TermSrvReadyEvent";
}  // namespace

bool ConsoleDisplayState(const POWERBROADCAST_SETTING& setting, DWORD* state) {
    if (!::IsEqualGUID(setting.PowerSetting, GUID_CONSOLE_DISPLAY_STATE) || setting.DataLength < sizeof(DWORD)) {
        return false;
    }
    std::memcpy(state, setting.Data, sizeof(DWORD));
    return true;
}

DWORD SystemNotifications::RegisterDisplayState(HWND window) {
    m_displayState.reset(
        ::RegisterPowerSettingNotification(window, &GUID_CONSOLE_DISPLAY_STATE, DEVICE_NOTIFY_WINDOW_HANDLE));
    return m_displayState ? 0 : ::GetLastError();
}

DWORD SystemNotifications::RegisterSessionChanges(HWND window) {
    EndWaiter();
    if (m_hSessionWindow != nullptr) {
        return 0;
    }
    if (!::WTSRegisterSessionNotification(window, NOTIFY_FOR_THIS_SESSION)) {
        const DWORD error = ::GetLastError();
        return error != 0 ? error : ERROR_GEN_FAILURE;
    }
    m_hSessionWindow = window;
    return 0;
}

bool SystemNotifications::AwaitSessionServices(HWND window) {
    EndWaiter();
    m_servicesReady.reset(::OpenEventW(SYNCHRONIZE, FALSE, kSessionServicesReadyEvent));
    // A signal given already would end every wait at once: the retry timer
    // that runs beside the wait is all there is to wait for then.
    if (!m_servicesReady || ::WaitForSingleObject(m_servicesReady.get(), 0) != WAIT_TIMEOUT) {
        m_servicesReady.reset();
        return false;
    }
    m_stopWaiting.reset(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!m_stopWaiting) {
        m_servicesReady.reset();
        return false;
    }
    m_hWaiterWindow = window;
    CWinThread* thread = AfxBeginThread(&WaitForSessionServices, this, THREAD_PRIORITY_NORMAL, 0, CREATE_SUSPENDED);
    if (thread == nullptr) {
        return false;
    }
    thread->m_bAutoDelete = FALSE;
    m_pWaiter.reset(thread);
    thread->ResumeThread();
    return true;
}

UINT SystemNotifications::WaitForSessionServices(LPVOID self) {
    auto* notifications = static_cast<SystemNotifications*>(self);
    // The stop first: the lowest signalled handle is the one reported.
    const HANDLE waitFor[] = {notifications->m_stopWaiting.get(), notifications->m_servicesReady.get()};
    if (::WaitForMultipleObjects(2, waitFor, FALSE, INFINITE) == WAIT_OBJECT_0 + 1) {
        ::PostMessageW(notifications->m_hWaiterWindow, WM_SESSION_SERVICES_READY, 0, 0);
    }
    return 0;
}

void SystemNotifications::EndWaiter() {
    if (m_pWaiter) {
        ::SetEvent(m_stopWaiting.get());
        ::WaitForSingleObject(m_pWaiter->m_hThread, INFINITE);
        m_pWaiter.reset();
    }
    m_servicesReady.reset();
    m_stopWaiting.reset();
}

void SystemNotifications::Stop() {
    EndWaiter();
    if (m_hSessionWindow != nullptr) {
        ::WTSUnRegisterSessionNotification(m_hSessionWindow);
        m_hSessionWindow = nullptr;
    }
    m_displayState.reset();
}
