#pragma once
// The program's main window: a dialog that is never shown. It owns the
// keyboard hook, receives the hook's key events, and is the window other
// processes close the program through.

#include <cstdint>

#include "app/CloseEventMonitor.h"
#include "app/Hook.h"
#include "app/SystemNotifications.h"
#include "framework/Dialog.h"
#include "hotkeys/DecisionTable.h"
#include "osd/Function_UI.h"

class CVaskHotkeyDlg : public CDialog {
public:
    explicit CVaskHotkeyDlg(CWnd* pParent = nullptr);
    ~CVaskHotkeyDlg() override;

protected:
    BOOL OnInitDialog() override;
    // Typed keys never end the program: Enter and Esc reach this window
    // whenever it is the active one, and only the close handler ends it.
    void OnOK() override {}
    void OnCancel() override {}

    void OnSysCommand(UINT nID, LPARAM lParam);
    void OnPaint();
    HCURSOR OnQueryDragIcon();
    LRESULT OnFnKey(WPARAM flags, LPARAM scanCode);
    void OnTimer(UINT_PTR nIDEvent);
    void OnWindowPosChanging(WINDOWPOS* pos);
    void OnClose();
    LRESULT OnQueryEndSession(WPARAM, LPARAM);
    LRESULT OnEndSession(WPARAM ending, LPARAM reason);
    // The notebook's life (app/ResidentLife.cpp): sleep and wake, the display
    // off and on, lock and unlock, a hook the system removed.
    LRESULT OnPowerBroadcast(WPARAM event, LPARAM data);
    LRESULT OnSessionChange(WPARAM change, LPARAM session);
    LRESULT OnHookLost(WPARAM hookThread, LPARAM everCalled);

    BOOL InstallKeyboardHook();
    void ToggleCompanion();

    DECLARE_MESSAGE_MAP()

private:
    void CloseNotices();
    void RunHotkeyAction(HotkeyAction action);
    void RestartHookRefreshTimer();
    static void SetHotkeyMode(uint8_t mode);
    // Once the close handler has run, nothing is set up again.
    bool Closed() const { return ModalRunEnded(); }

    // Installs the hook anew; a refusal is written and tried again later.
    BOOL ReinstallKeyboardHook();
    void ScheduleHookRetry();
    void OnHookRetryTimer();
    // Hotkey mode and the hook again, after the machine came back.
    void SetUpAgain(const wchar_t* line);

    HICON m_hIcon;
    Function_UI m_osd;
    CHook m_hook;
    CloseEventMonitor m_closeMonitor;
    HKEY m_hCompanionKey = nullptr;  // open only within ToggleCompanion
    DWORD m_cbCompanionPath = 0;

    // The delay before the next try at installing the hook; 0 while none is due.
    UINT m_nHookRetryMs = 0;
    // Losses in a row of hooks the system never called (OnHookLost).
    int m_nUncalledHookLosses = 0;
    bool m_bSuspended = false;
    DWORD m_dwDisplayState = kConsoleDisplayOn;  // the system tells the state at once
    SystemNotifications m_notifications;
};
