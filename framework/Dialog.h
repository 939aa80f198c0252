#pragma once
// Dialogs from numbered templates in the program's resources: modal (DoModal,
// with its own modal loop so that modal dialogs nest) and modeless (Create).

#include <optional>

#include "framework/Wnd.h"

class CDialog : public CWnd {
public:
    explicit CDialog(UINT nIDTemplate, CWnd* pParentWnd = nullptr);
    ~CDialog() override;

    // Runs the dialog modally; returns the value given to EndDialog, or -1
    // when the template is missing or the window cannot be created. A run of
    // the same object that has not finished yet gives way to the new one.
    virtual INT_PTR DoModal();
    // Creates the dialog modeless and owned by pParentWnd; FALSE on failure.
    BOOL Create(UINT nIDTemplate, CWnd* pParentWnd = nullptr);

    void EndDialog(int nResult);
    // True once the newest modal run of this dialog has been ended and its
    // loop is unwinding.
    bool ModalRunEnded() const { return m_pRun != nullptr && !m_pRun->continueModal; }
    UINT GetTemplateId() const { return m_nIDTemplate; }
    // Where the next run opens: centred on this area of the screen, or, with
    // none, as CenterWindow places it.
    void SetOpeningArea(const std::optional<RECT>& area) { m_openingArea = area; }
    const RECT* OpeningArea() const { return m_openingArea ? &*m_openingArea : nullptr; }

    // Ends, with nResult and without their handlers, every modal dialog of
    // this thread that runs nested inside `base`'s modal loop, and the
    // system's message boxes of this thread.
    static void EndDialogsNestedIn(const CDialog* base, int nResult);

protected:
    virtual BOOL OnInitDialog();
    virtual void OnOK();
    virtual void OnCancel();
    BOOL PreTranslateMessage(MSG* msg) override;

    DECLARE_MESSAGE_MAP()

private:
    friend INT_PTR CALLBACK AfxDlgProc(HWND, UINT, WPARAM, LPARAM);

    // One modal run: its window, whether its loop goes on, its result. Runs
    // of a thread nest strictly, innermost first through `outer`.
    struct ModalRun {
        CDialog* dialog;
        HWND hWnd;
        bool continueModal;
        INT_PTR result;
        ModalRun* outer;
    };

    HWND CreateFromTemplate(HWND owner);
    void RunModalLoop(ModalRun& run);
    static void EndRun(ModalRun& run, int nResult);

    UINT m_nIDTemplate;
    CWnd* m_pParentWnd;
    ModalRun* m_pRun = nullptr;  // this object's newest modal run, if any
    std::optional<RECT> m_openingArea;
    static thread_local ModalRun* s_innermostRun;
};

// True once the application's main window, a modal dialog, has ended its run.
// A handler that opened a nested modal loop (a dialog, a message box) stops
// when that loop returns: a close handled inside it ends the program, and
// nothing of the handler's may follow.
bool AfxMainDialogEnded();
