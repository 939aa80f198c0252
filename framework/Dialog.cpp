#include "framework/Dialog.h"

#include "framework/WinApp.h"

thread_local CDialog::ModalRun* CDialog::s_innermostRun = nullptr;

namespace {

// Ends a message box of the system's, which has no object of ours.
BOOL CALLBACK EndSystemDialog(HWND hWnd, LPARAM nResult) {
    wchar_t className[16] = {};
    if (CWnd::FromHandlePermanent(hWnd) == nullptr && ::GetClassNameW(hWnd, className, 16) > 0 &&
        lstrcmpW(className, L"#32770") == 0) {
        ::EndDialog(hWnd, nResult);
    }
    return TRUE;
}

}  // namespace

INT_PTR CALLBACK AfxDlgProc(HWND hWnd, UINT message, WPARAM, LPARAM) {
    // Everything but the initialisation reaches the object through its
    // subclassed window procedure; the dialog procedure only starts it.
    if (message != WM_INITDIALOG) {
        return FALSE;
    }
    auto* dialog = dynamic_cast<CDialog*>(CWnd::FromHandlePermanent(hWnd));
    if (dialog == nullptr) {
        return TRUE;
    }
    RECT before{};
    ::GetWindowRect(hWnd, &before);
    const BOOL result = dialog->OnInitDialog();
    // A modal dialog that its initialisation did not move opens centred.
    RECT after{};
    if (dialog->m_pRun != nullptr && ::IsWindow(hWnd) && ::GetWindowRect(hWnd, &after) && after.left == before.left &&
        after.top == before.top) {
        dialog->CenterWindow(dialog->OpeningArea());
    }
    return result;
}

BEGIN_MESSAGE_MAP(CDialog, CWnd)
ON_COMMAND(IDOK, OnOK)
ON_COMMAND(IDCANCEL, OnCancel)
END_MESSAGE_MAP()

CDialog::CDialog(UINT nIDTemplate, CWnd* pParentWnd) : m_nIDTemplate(nIDTemplate), m_pParentWnd(pParentWnd) {}

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
    // A run of this object that is still unwinding (ended, its loop not yet
    // returned) or still open ends here and takes its window along: the new
    // run re-uses the object, and the old window would otherwise outlive both.
    if (m_pRun != nullptr) {
        EndRun(*m_pRun, IDCANCEL);
        DestroyWindow();
    }

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
    // Where the keys went before the dialog took them.
    HWND previousForeground = ::GetForegroundWindow();

    ModalRun run{this, nullptr, true, -1, s_innermostRun};
    ModalRun* const olderRun = m_pRun;
    m_pRun = &run;
    s_innermostRun = &run;
    run.hWnd = CreateFromTemplate(owner);
    // Whether the keys were still the dialog's as its run ends, read before
    // hiding the dialog moves them.
    bool keysWereTheDialogs = false;
    if (run.hWnd != nullptr) {
        if (run.continueModal) {
            RunModalLoop(run);
        }
        const HWND front = ::GetForegroundWindow();
        keysWereTheDialogs = front == run.hWnd;
        if (::IsWindow(run.hWnd)) {
            ::SetWindowPos(run.hWnd, nullptr, 0, 0, 0, 0,
                           SWP_HIDEWINDOW | SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE | SWP_NOZORDER);
        }
    }
    s_innermostRun = run.outer;
    m_pRun = olderRun;

    if (reenableOwner) {
        ::EnableWindow(owner, TRUE);
    }
    // The keys go back only from a dialog that still had them: to a visible
    // owner, as always; past a hidden one, which must never hold the focus, to
    // the window that was in front when the dialog opened. A dialog the user
    // has left behind leaves the foreground alone: the window in front now is
    // the user's choice, and the one from when the dialog opened (for the
    // main window's own run, from when the program started) may be days old.
    if (keysWereTheDialogs) {
        if (owner != nullptr && ::IsWindowVisible(owner)) {
            ::SetActiveWindow(owner);
        } else if (previousForeground != nullptr && previousForeground != run.hWnd && previousForeground != owner &&
                   ::IsWindow(previousForeground) && ::IsWindowVisible(previousForeground)) {
            ::SetForegroundWindow(previousForeground);
        }
    }
    if (run.hWnd != nullptr && run.hWnd == m_hWnd) {
        DestroyWindow();
    }
    return run.result;
}

void CDialog::RunModalLoop(ModalRun& run) {
    // Shown when the loop first goes idle, not at creation, like any dialog
    // whose template is not WS_VISIBLE.
    bool showWhenIdle = (::GetWindowLongW(run.hWnd, GWL_STYLE) & WS_VISIBLE) == 0;
    MSG msg;
    while (run.continueModal) {
        if (showWhenIdle && !::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
            showWhenIdle = false;
            ::ShowWindow(run.hWnd, SW_SHOWNORMAL);
            ::UpdateWindow(run.hWnd);
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

void CDialog::EndRun(ModalRun& run, int nResult) {
    if (!run.continueModal) {
        return;
    }
    run.result = nResult;
    run.continueModal = false;
    // Wakes a loop that waits for its next message. Not the system's
    // EndDialog: it would hand the keys to the owner, the hidden main window,
    // even from a dialog the user has left for another window; DoModal hides
    // the dialog and gives the keys back itself.
    if (run.hWnd != nullptr) {
        ::PostMessageW(run.hWnd, WM_NULL, 0, 0);
    }
}

void CDialog::EndDialog(int nResult) {
    if (m_pRun != nullptr) {
        EndRun(*m_pRun, nResult);
    } else if (m_hWnd != nullptr) {
        ::EndDialog(m_hWnd, nResult);
    }
}

void CDialog::EndDialogsNestedIn(const CDialog* base, int nResult) {
    for (ModalRun* run = s_innermostRun; run != nullptr && run->dialog != base; run = run->outer) {
        EndRun(*run, nResult);
    }
    ::EnumThreadWindows(::GetCurrentThreadId(), &EndSystemDialog, nResult);
}

bool AfxMainDialogEnded() {
    const auto* main = dynamic_cast<const CDialog*>(AfxGetMainWnd());
    return main != nullptr && main->ModalRunEnded();
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
