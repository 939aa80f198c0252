#pragma once
// The program's main window: a dialog that is never shown. It owns the
// keyboard hook, receives the hook's key events, and is the window other
// processes close the program through.

#include "app/CloseEventMonitor.h"
#include "app/Hook.h"
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

    BOOL InstallKeyboardHook();
    void ToggleCompanion();

    DECLARE_MESSAGE_MAP()

private:
    void CloseNotices();
    void RunHotkeyAction(HotkeyAction action);
    void RestartHookRefreshTimer();

    HICON m_hIcon;
    Function_UI m_osd;
    CHook m_hook;
    CloseEventMonitor m_closeMonitor;
    HKEY m_hCompanionKey = nullptr;  // open only within ToggleCompanion
    DWORD m_cbCompanionPath = 0;
};
