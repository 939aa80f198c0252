#include "framework/Dialog.h"

#include "framework/WinApp.h"

INT_PTR CALLBACK AfxDlgProc(HWND hWnd, UINT message, WPARAM, LPARAM) {
    // Everything but the initialisation reaches the object through its
    // subclassed window procedure; the dialog procedure only starts it.
    if (message == WM_INITDIALOG) {
        if (auto* dialog = dynamic_cast<CDialog*>(CWnd::FromHandlePermanent(hWnd))) {
            return dialog->OnInitDialog();
        }
        return TRUE;
    }
    return FALSE;
}

BEGIN_MESSAGE_MAP(CDialog, CWnd)
    ON_COMMAND(IDOK, OnOK)
    ON_COMMAND(IDCANCEL, OnCancel)
END_MESSAGE_MAP()

CDialog::CDialog(UINT nIDTemplate, CWnd* pParentWnd)
    : m_nIDTemplate(nIDTemplate), m_pParentWnd(pParentWnd) {}

CDialog::~CDialog() = default;

HWND CDialog::CreateFromTemplate(HWND owner) {
    HINSTANCE module = AfxGetResourceHandle();
    HRSRC resource = ::FindResourceW(module, MAKEINTRESOURCEW(m_nIDTemplate), RT_DIALOG);
    if (resource == nullptr) {
        return nullptr;
    }
    auto* dialogTemplate = static_cast<LPCDLGTEMPLATEW>(::LockResource(::LoadResource(module, resource)));
    if (dialogTemplate == nullptr) {
        return nullptr;
    }
    HHOOK hook = BeginCreationHook();
    HWND hWnd = ::CreateDialogIndirectParamW(module, dialogTemplate, owner, &AfxDlgProc, 0);
    EndCreationHook(hook);
    return hWnd;
}

BOOL CDialog::Create(UINT nIDTemplate, CWnd* pParentWnd) {
    m_nIDTemplate = nIDTemplate;
    m_pParentWnd = pParentWnd;
    return CreateFromTemplate(pParentWnd != nullptr ? pParentWnd->m_hWnd : nullptr) != nullptr;
}

INT_PTR CDialog::DoModal() {
    // A dialog without a parent is owned by the application's main window,
    // which stays disabled while the dialog runs.
    HWND owner = m_pParentWnd != nullptr ? m_pParentWnd->m_hWnd : nullptr;
    if (owner == nullptr) {
        CWnd* main = AfxGetMainWnd();
        if (main != nullptr && main != this && main->m_hWnd != nullptr) {
            owner = ::GetAncestor(main->m_hWnd, GA_ROOT);
        }
    }
    const bool reenableOwner = owner != nullptr && ::IsWindowEnabled(owner);
    if (reenableOwner) {
        ::EnableWindow(owner, FALSE);
    }

    m_nModalResult = -1;
    m_bContinueModal = true;
    if (CreateFromTemplate(owner) != nullptr) {
        if (m_bContinueModal) {
            RunModalLoop();
        }
        if (m_hWnd != nullptr) {
            ::SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0,
                           SWP_HIDEWINDOW | SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE | SWP_NOZORDER);
        }
    }
    m_bContinueModal = false;

    if (reenableOwner) {
        ::EnableWindow(owner, TRUE);
    }
    if (owner != nullptr && m_hWnd != nullptr && ::GetActiveWindow() == m_hWnd) {
        ::SetActiveWindow(owner);
    }
    DestroyWindow();
    return m_nModalResult;
}

void CDialog::RunModalLoop() {
    // Shown when the loop first goes idle, not at creation, like any dialog
    // whose template is not WS_VISIBLE.
    bool showWhenIdle = (::GetWindowLongW(m_hWnd, GWL_STYLE) & WS_VISIBLE) == 0;
    MSG msg;
    while (m_bContinueModal) {
        if (showWhenIdle && !::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
            showWhenIdle = false;
            ::ShowWindow(m_hWnd, SW_SHOWNORMAL);
            ::UpdateWindow(m_hWnd);
            continue;
        }
        const BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0 || got == -1) {
            // Leave WM_QUIT for the loop further out.
            ::PostQuitMessage(got == 0 ? static_cast<int>(msg.wParam) : 0);
            break;
        }
        HWND root = msg.hwnd != nullptr ? ::GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
        CWnd* target = CWnd::FromHandlePermanent(root);
        if (target == nullptr || !target->PreTranslateMessage(&msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }
}

void CDialog::EndDialog(int nResult) {
    m_nModalResult = nResult;
    m_bContinueModal = false;
    if (m_hWnd != nullptr) {
        ::EndDialog(m_hWnd, nResult);
    }
}

BOOL CDialog::OnInitDialog() { return TRUE; }

void CDialog::OnOK() { EndDialog(IDOK); }

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

BOOL CDialog::PreTranslateMessage(MSG* msg) {
    // Dialog keys (Enter, Esc, Tab) for whichever of our dialogs the key is for.
    if (msg->message >= WM_KEYFIRST && msg->message <= WM_KEYLAST) {
        return ::IsDialogMessageW(m_hWnd, msg);
    }
    return FALSE;
}
