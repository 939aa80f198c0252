#pragma once
// A window tied to its C++ object. The tie is made in exactly one place: the
// creation hook subclasses the window the moment it is created, so the object
// sees WM_NCCREATE and WM_CREATE too, and every message goes through the
// class's message map before the window's own procedure.

#include "framework/MessageMap.h"

class CWnd {
public:
    CWnd() = default;
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;
    virtual ~CWnd();

    HWND m_hWnd = nullptr;

    static CWnd* FromHandlePermanent(HWND hWnd);

    BOOL DestroyWindow();
    BOOL ShowWindow(int nCmdShow) { return ::ShowWindow(m_hWnd, nCmdShow); }
    void SetWindowText(LPCWSTR text) { ::SetWindowTextW(m_hWnd, text); }
    UINT_PTR SetTimer(UINT_PTR id, UINT elapse) { return ::SetTimer(m_hWnd, id, elapse, nullptr); }
    BOOL KillTimer(UINT_PTR id) { return ::KillTimer(m_hWnd, id); }

    // Centres the window on its owner when that is visible, else on the work
    // area of the monitor it is on, and keeps it inside that work area; or,
    // given an area, centres it on that area and keeps it inside.
    void CenterWindow(const RECT* area = nullptr);

    // A message box owned by this window, captioned with the application's
    // name unless a caption is given.
    int MessageBox(LPCWSTR text, LPCWSTR caption = nullptr, UINT type = MB_OK);

    // The default processing of the message being handled.
    LRESULT Default();

protected:
    virtual const AFX_MSGMAP* GetMessageMap() const;
    static const AFX_MSGMAP* GetThisMessageMap();

    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    virtual BOOL PreTranslateMessage(MSG* msg);
    virtual void PostNcDestroy() {}

    // Base handlers: default processing.
    int OnCreate(LPCREATESTRUCTW) { return static_cast<int>(Default()); }
    void OnClose() { Default(); }
    void OnPaint() { Default(); }
    void OnTimer(UINT_PTR) { Default(); }
    void OnSysCommand(UINT, LPARAM) { Default(); }
    void OnWindowPosChanging(WINDOWPOS*) { Default(); }

    // Arms the creation hook: the next window this thread creates is tied to
    // this object. Returns the hook to pass to EndCreationHook.
    HHOOK BeginCreationHook();
    static void EndCreationHook(HHOOK hook);

private:
    friend class CDialog;
    friend LRESULT CALLBACK AfxWndProc(HWND, UINT, WPARAM, LPARAM);
    friend LRESULT CALLBACK AfxCbtFilterHook(int, WPARAM, LPARAM);

    void Attach(HWND hWnd);
    void Detach();
    const AFX_MSGMAP_ENTRY* FindHandler(UINT message, WPARAM wParam) const;

    WNDPROC m_pfnSuper = nullptr;
    MSG m_currentMsg{};
};

LRESULT CALLBACK AfxWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
