#pragma once
// The program's main window: a dialog that is never shown. It owns the
// keyboard hook, receives the hook's key events, and is the window other
// processes close the program through.

#include <cstdint>

#include "app/CloseEventMonitor.h"
#include "app/Hook.h"
#include "app/ResidentLife.h"
#include "app/SystemNotifications.h"
#include "framework/Dialog.h"
#include "hotkeys/DecisionTable.h"
#include "osd/Function_UI.h"

class CVaskHotkeyDlg : public CDialog, private ResidentLifeHost {
public:
    explicit CVaskHotkeyDlg(CWnd* pParent = nullptr);
    ~CVaskHotkeyDlg() override;

    // The display settings read at start, for the OSD and the notices; before
    // the dialog runs.
    void UseDisplaySettings(const OsdDisplaySettings& settings) { m_osd.UseDisplaySettings(settings); }

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
    // The notebook's life, routed to m_life (app/MainWindowLife.cpp): sleep
    // and wake, the display off and on, lock and unlock, the hook's reports.
    LRESULT OnPowerBroadcast(WPARAM event, LPARAM data);
    LRESULT OnSessionChange(WPARAM change, LPARAM session);
    LRESULT OnHookLost(WPARAM generation, LPARAM everCalled);
    LRESULT OnHookCalledAgain(WPARAM generation, LPARAM);
    LRESULT OnSessionServicesReady(WPARAM, LPARAM);

    BOOL InstallKeyboardHook();
    void ToggleCompanion();

    DECLARE_MESSAGE_MAP()

private:
    void CloseNotices();
    void RunHotkeyAction(HotkeyAction action);
    void RestartHookRefreshTimer();
    // The controller's answer: true when it took the mode.
    static bool SetHotkeyMode(uint8_t mode);
    // Once the close handler has run, nothing is set up again.
    bool Closed() const { return ModalRunEnded(); }

    // What the resident life asks of this window (app/MainWindowLife.cpp).
    bool EnterHotkeyMode() override;
    uint32_t InstallHook() override;
    bool RemoveHook() override;
    void StartTimer(LifeTimer timer, uint32_t ms) override;
    void StopTimer(LifeTimer timer) override;
    void WriteLine(const std::wstring& line) override;
    uint32_t RegisterDisplayState() override;
    uint32_t RegisterSessionChanges() override;
    bool AwaitSessionServices() override;
    void StopNotifications() override;
    uint32_t NowMs() override;

    HICON m_hIcon;
    Function_UI m_osd;
    CHook m_hook;
    CloseEventMonitor m_closeMonitor;
    HKEY m_hCompanionKey = nullptr;  // open only within ToggleCompanion
    DWORD m_cbCompanionPath = 0;

    SystemNotifications m_notifications;
    ResidentLife m_life{*this};
};
