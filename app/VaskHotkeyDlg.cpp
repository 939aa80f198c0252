#include "app/VaskHotkeyDlg.h"

#include <cstdint>

#include "app/AppMessages.h"
#include "app/PowerThrottling.h"
#include "app/UiAccess.h"
#include "dialogs/AboutDlg.h"
#include "dialogs/GraphicSW_Msg.h"
#include "dialogs/NoticeNames.h"
#include "framework/DebugOutput.h"
#include "framework/Handles.h"
#include "framework/WinApp.h"
#include "hotkeys/DecisionTable.h"
#include "platform/VendorApi.h"
#include "res/resource.h"

bool CVaskHotkeyDlg::SetHotkeyMode(uint8_t mode) {
    // Refused, the keys keep their firmware meaning: every Fn key would do
    // nothing, so the resident life tries an entry again until it takes.
    return ::KervoEvaluate(HOTKEY_MODE_COMMAND, &mode, 1, nullptr, 0) != 0;
}

BEGIN_MESSAGE_MAP(CVaskHotkeyDlg, CDialog)
ON_WM_SYSCOMMAND()
ON_WM_PAINT()
ON_WM_QUERYDRAGICON()
ON_MESSAGE(WM_FNKEY_EVENT, OnFnKey)
ON_WM_TIMER()
ON_WM_WINDOWPOSCHANGING()
ON_WM_CLOSE()
ON_MESSAGE(WM_QUERYENDSESSION, OnQueryEndSession)
ON_MESSAGE(WM_ENDSESSION, OnEndSession)
ON_MESSAGE(WM_POWERBROADCAST, OnPowerBroadcast)
ON_MESSAGE(WM_WTSSESSION_CHANGE, OnSessionChange)
ON_MESSAGE(WM_HOOK_LOST, OnHookLost)
ON_MESSAGE(WM_HOOK_CALLED_AGAIN, OnHookCalledAgain)
ON_MESSAGE(WM_SESSION_SERVICES_READY, OnSessionServicesReady)
END_MESSAGE_MAP()

CVaskHotkeyDlg::CVaskHotkeyDlg(CWnd* pParent)
    : CDialog(IDD_VASKHOTKEY_DIALOG, pParent),
      m_hIcon(::LoadIconW(AfxGetResourceHandle(), MAKEINTRESOURCEW(IDR_MAINFRAME))) {}

CVaskHotkeyDlg::~CVaskHotkeyDlg() = default;

BOOL CVaskHotkeyDlg::OnInitDialog() {
    CDialog::OnInitDialog();

    ::SetWindowTextW(m_hWnd, kMainWindowTitle);

    if (HMENU systemMenu = ::GetSystemMenu(m_hWnd, FALSE)) {
        wchar_t aboutText[128] = {};
        if (::LoadStringW(AfxGetResourceHandle(), IDS_ABOUTBOX, aboutText, 128) > 0 && aboutText[0] != L'\0') {
            ::AppendMenuW(systemMenu, MF_SEPARATOR, 0, nullptr);
            ::AppendMenuW(systemMenu, MF_STRING, IDM_ABOUTBOX, aboutText);
        }
    }

    ::SendMessageW(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    ::SendMessageW(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));

    // A tool window never gets a taskbar button.
    const LONG exStyle = ::GetWindowLongW(m_hWnd, GWL_EXSTYLE);
    ::SetWindowLongW(m_hWnd, GWL_EXSTYLE, (exStyle & ~WS_EX_APPWINDOW) | WS_EX_TOOLWINDOW);

    static_assert(sizeof(WINDOWPLACEMENT) == 44, "placement record of 44 bytes");
    WINDOWPLACEMENT placement{};
    placement.length = sizeof(placement);
    ::GetWindowPlacement(m_hWnd, &placement);
    placement.length = sizeof(placement);
    placement.flags = WPF_SETMINPOSITION;
    placement.showCmd = SW_HIDE;
    ::SetWindowPlacement(m_hWnd, &placement);

    // On battery the system may otherwise run a program without a visible
    // window at low quality of service, and every key of the desktop waits
    // for the hook's thread.
    OptOutOfPowerThrottling();

    DiagnosticLine(L"[VaskHotkey]Enable VaskHotkey to control Volume\n");
    m_life.ModeEnteredAtStart(SetHotkeyMode(HOTKEY_MODE_ENTER));

    // A popup with this window as parent: owned by it, gone with it.
    m_osd.Create(IDD_OSD, this);
    // A close handled while the OSD's start showed a notice: the program
    // ends here, with nothing more set up.
    if (Closed()) {
        return FALSE;
    }

    if (!m_life.InstallHookAtStart()) {
        // Tried again behind the box, and after it, until it takes.
        MessageBox(L"Strat hook fail.", nullptr, MB_OK);
        if (Closed()) {
            return FALSE;
        }
    }

    m_life.StartNotifications();
    m_closeMonitor.m_hTarget = m_hWnd;
    m_closeMonitor.Start();
    AdmitCloseMessages(m_hWnd);
    // An installer that replaces a file in use (the maker's libraries in a
    // driver update, or this program's own) has the system's restart service
    // close the program as a "Close" start would; the service starts again only
    // programs that registered. Not after a crash, a hang or a reboot: the
    // log-on start covers that.
    const HRESULT restart =
        !InstallerCanRestart()
            ? S_OK
            : ::RegisterApplicationRestart(nullptr, RESTART_NO_CRASH | RESTART_NO_HANG | RESTART_NO_REBOOT);
    if (FAILED(restart)) {
        DiagnosticLine(L"[VaskHotkey]Restart after an update not registered: 0x%08lx\n",
                       static_cast<unsigned long>(restart));
    }
    // No control of a window that is never shown gets the focus: taking it
    // would make this window the active one and swallow the user's typing.
    return FALSE;
}

BOOL CVaskHotkeyDlg::InstallKeyboardHook() {
    // On the hook's own thread, never this one: see app/Hook.h.
    return m_hook.Install(m_hWnd) != 0 ? TRUE : FALSE;
}

LRESULT CVaskHotkeyDlg::OnFnKey(WPARAM flags, LPARAM scanCode) {
    CloseNotices();
    const HotkeyAction action = LookUpHotkey(static_cast<uint32_t>(flags), static_cast<uint32_t>(scanCode));
    if (action == HotkeyAction::None) {
        RestartHookRefreshTimer();
        return 0;
    }
    RunHotkeyAction(action);
    return 0;
}

void CVaskHotkeyDlg::RunHotkeyAction(HotkeyAction action) {
    switch (action) {
    case HotkeyAction::ShowMuteState:
        m_osd.ShowMuteState();
        break;
    case HotkeyAction::VolumeUp:
        m_osd.StepVolume(TRUE);
        break;
    case HotkeyAction::VolumeDown:
        m_osd.StepVolume(FALSE);
        break;
    case HotkeyAction::CycleDisplayOutput:
        DiagnosticLine(L"FN+F1 Display Mode Changed");
        m_osd.CycleDisplayOutput();
        break;
    case HotkeyAction::ShowWirelessState:
        m_osd.ShowWirelessState();
        break;
    case HotkeyAction::HideOsd:
        // Only hides: a pending display-output commit still fires.
        ::ShowWindow(m_osd.m_hWnd, SW_HIDE);
        break;
    case HotkeyAction::SynthesizeF18:
        ::keybd_event(VK_F18, static_cast<BYTE>(::MapVirtualKeyW(VK_F18, MAPVK_VK_TO_VSC)), 0, 0);
        break;
    case HotkeyAction::ConfirmGraphicsSwitch: {
        // Keys pressed while it is open are dispatched inside its modal loop.
        CGraphicSW_Msg confirmation;
        confirmation.SetOpeningArea(m_osd.NoticeArea());
        confirmation.DoModal();
        break;
    }
    case HotkeyAction::ToggleCompanion:
        ToggleCompanion();
        break;
    case HotkeyAction::BrightnessDown:
        m_osd.ShowBrightness(FALSE);
        break;
    case HotkeyAction::BrightnessUp:
        m_osd.ShowBrightness(TRUE);
        break;
    case HotkeyAction::ShowBatteryLevel:
        m_osd.ShowBatteryLevel();
        break;
    case HotkeyAction::None:
        break;
    }
}

void CVaskHotkeyDlg::CloseNotices() {
    // Any key ends an open notice, before the key's own action runs. The
    // notices are this program's own dialogs, so their handles say whether
    // one is open: looking them up by title on every key would read the
    // title of every window on the desktop, and could hand the private close
    // message to some other program's window that carries the same title.
    if (HWND notice = m_osd.OpenChargingNotice()) {
        ::SendMessageW(notice, WM_CLOSE_CHARGING_NOTICE, 0, 0);
    }
    if (HWND notice = m_osd.OpenGuestNotice()) {
        ::SendMessageW(notice, WM_CLOSE_GUEST_NOTICE, 0, 0);
    }
}

void CVaskHotkeyDlg::RestartHookRefreshTimer() {
    // Some systems drop a low-level hook that has not been called for a while;
    // a minute without an unmatched key re-installs it. Setting a timer that
    // runs already starts it over: every typed key of the desktop comes here,
    // and a kill first would cost each one a second call to the system.
    SetTimer(HOOK_REFRESH_TIMER, HOOK_REFRESH_PERIOD_MS);
}

void CVaskHotkeyDlg::OnTimer(UINT_PTR nIDEvent) {
    switch (nIDEvent) {
    case HOOK_REFRESH_TIMER:
        KillTimer(HOOK_REFRESH_TIMER);
        // The old hook goes before the new one comes; a refusal is written
        // and tried again later.
        m_life.HookRefresh();
        break;
    case HOOK_RETRY_TIMER:
        m_life.TimerFired(LifeTimer::HookRetry);
        break;
    case MODE_RETRY_TIMER:
        m_life.TimerFired(LifeTimer::ModeRetry);
        break;
    case SESSION_RETRY_TIMER:
        m_life.TimerFired(LifeTimer::SessionRetry);
        break;
    default:
        break;
    }
    CDialog::OnTimer(nIDEvent);
}

void CVaskHotkeyDlg::OnWindowPosChanging(WINDOWPOS* pos) {
    // The modal loop shows its dialog once it first goes idle, and other
    // programs may try too: this window stays hidden whatever asks.
    if ((pos->flags & SWP_SHOWWINDOW) != 0) {
        // Nor is it activated by the attempt: the keys stay with the user's
        // application.
        pos->flags &= ~SWP_SHOWWINDOW;
        pos->flags |= SWP_NOACTIVATE;
        ShowWindow(SW_HIDE);
        return;
    }
    CDialog::OnWindowPosChanging(pos);
}

void CVaskHotkeyDlg::OnClose() {
    // One close ends the program; a second one that comes meanwhile (the
    // close event and a "Close" start at once) has nothing left to do.
    if (Closed()) {
        return;
    }
    // Waits for the hook's thread to end: no key event is posted once
    // hotkey mode is left, and nothing may put the hook back.
    m_life.Close();
    KillTimer(HOOK_REFRESH_TIMER);
    DiagnosticLine(L"[VaskHotkey]Disable VaskHotkey to control Volume\n");
    SetHotkeyMode(HOTKEY_MODE_LEAVE);
    DiagnosticLine(L"[VaskHotkey]VaskHotKey Utility Closed\n");
    // A close can arrive while a dialog runs its own loop on top of this one
    // (a notice, the confirmation, the About box, a message box): those end
    // first, without acting, so that the program really ends now.
    EndDialogsNestedIn(this, IDCANCEL);
    EndDialog(IDCANCEL);
}

LRESULT CVaskHotkeyDlg::OnQueryEndSession(WPARAM, LPARAM) {
    // Nothing of the user's is left unsaved here: the session may end.
    return TRUE;
}

LRESULT CVaskHotkeyDlg::OnEndSession(WPARAM ending, LPARAM reason) {
    // An installer that must replace this program's files asks the system's
    // restart service to close it: it ends exactly as a "Close" start ends
    // it, else the installer leaves the files to the next restart. A log-off
    // or a shutdown changes nothing here: hotkey mode belongs to the machine,
    // and another user's session may still be using it.
    if (ending != FALSE && (reason & ENDSESSION_CLOSEAPP) != 0) {
        OnClose();
    }
    return 0;
}

void CVaskHotkeyDlg::OnSysCommand(UINT nID, LPARAM lParam) {
    if ((nID & 0xFFF0) == IDM_ABOUTBOX) {
        CAboutDlg dlgAbout;
        dlgAbout.DoModal();
        return;
    }
    CDialog::OnSysCommand(nID, lParam);
}

void CVaskHotkeyDlg::OnPaint() {
    if (!::IsIconic(m_hWnd)) {
        CDialog::OnPaint();
        return;
    }
    PaintDc dc(m_hWnd);
    ::SendMessageW(m_hWnd, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.get()), 0);
    RECT client{};
    ::GetClientRect(m_hWnd, &client);
    const int x = (client.right - client.left - ::GetSystemMetrics(SM_CXICON) + 1) / 2;
    const int y = (client.bottom - client.top - ::GetSystemMetrics(SM_CYICON) + 1) / 2;
    ::DrawIcon(dc.get(), x, y, m_hIcon);
}

HCURSOR CVaskHotkeyDlg::OnQueryDragIcon() { return static_cast<HCURSOR>(m_hIcon); }
