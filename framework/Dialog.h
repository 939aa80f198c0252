#pragma once
// Dialogs from numbered templates in the program's resources: modal (DoModal,
// with its own modal loop so that modal dialogs nest) and modeless (Create).

#include "framework/Wnd.h"

class CDialog : public CWnd {
public:
    explicit CDialog(UINT nIDTemplate, CWnd* pParentWnd = nullptr);
    ~CDialog() override;

    // Runs the dialog modally; returns the value given to EndDialog, or -1
    // when the template is missing or the window cannot be created.
    virtual INT_PTR DoModal();
    // Creates the dialog modeless and owned by pParentWnd; FALSE on failure.
    BOOL Create(UINT nIDTemplate, CWnd* pParentWnd = nullptr);

    void EndDialog(int nResult);
    UINT GetTemplateId() const { return m_nIDTemplate; }

protected:
    virtual BOOL OnInitDialog();
    virtual void OnOK();
    virtual void OnCancel();
    BOOL PreTranslateMessage(MSG* msg) override;

    DECLARE_MESSAGE_MAP()

private:
    friend INT_PTR CALLBACK AfxDlgProc(HWND, UINT, WPARAM, LPARAM);

    HWND CreateFromTemplate(HWND owner);
    void RunModalLoop();

    UINT m_nIDTemplate;
    CWnd* m_pParentWnd;
    bool m_bContinueModal = false;
    INT_PTR m_nModalResult = -1;
};
