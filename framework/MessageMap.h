#pragma once
// Static message maps: one constant table per class, message (and command id
// for WM_COMMAND) to member handler, searched from the most derived class to
// the base. A handler that wants the window's default processing calls
// CWnd::Default() (the base handlers do exactly that).

#include <windows.h>

class CWnd;

using AFX_THUNK = LRESULT (*)(CWnd* wnd, WPARAM wParam, LPARAM lParam);

struct AFX_MSGMAP_ENTRY {
    UINT nMessage;
    UINT nCode;  // WM_COMMAND only: notification code
    UINT nID;    // WM_COMMAND only: control or command id
    AFX_THUNK pfn;
};

struct AFX_MSGMAP {
    const AFX_MSGMAP* (*pfnGetBaseMap)();
    const AFX_MSGMAP_ENTRY* lpEntries;
};

namespace afx_thunk {

// The class that declares a member handler, so the thunk can cast to it.
template <class M>
struct ClassOfMember;
template <class C, class T>
struct ClassOfMember<T C::*> {
    using type = C;
};
template <auto F>
using ClassOf = typename ClassOfMember<decltype(F)>::type;

template <auto F>
ClassOf<F>* Self(CWnd* wnd) {
    return static_cast<ClassOf<F>*>(wnd);
}

template <auto F>
LRESULT Void(CWnd* w, WPARAM, LPARAM) {
    (Self<F>(w)->*F)();
    return 0;
}
template <auto F>
LRESULT Timer(CWnd* w, WPARAM wp, LPARAM) {
    (Self<F>(w)->*F)(static_cast<UINT_PTR>(wp));
    return 0;
}
template <auto F>
LRESULT SysCommand(CWnd* w, WPARAM wp, LPARAM lp) {
    (Self<F>(w)->*F)(static_cast<UINT>(wp), lp);
    return 0;
}
template <auto F>
LRESULT WindowPos(CWnd* w, WPARAM, LPARAM lp) {
    (Self<F>(w)->*F)(reinterpret_cast<WINDOWPOS*>(lp));
    return 0;
}
template <auto F>
LRESULT Create(CWnd* w, WPARAM, LPARAM lp) {
    return (Self<F>(w)->*F)(reinterpret_cast<LPCREATESTRUCTW>(lp));
}
template <auto F>
LRESULT Message(CWnd* w, WPARAM wp, LPARAM lp) {
    return (Self<F>(w)->*F)(wp, lp);
}
template <auto F>
LRESULT QueryIcon(CWnd* w, WPARAM, LPARAM) {
    return reinterpret_cast<LRESULT>((Self<F>(w)->*F)());
}

}  // namespace afx_thunk

#define DECLARE_MESSAGE_MAP()                     \
protected:                                        \
    static const AFX_MSGMAP* GetThisMessageMap(); \
    const AFX_MSGMAP* GetMessageMap() const override;

#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                        \
    const AFX_MSGMAP* theClass::GetMessageMap() const { return GetThisMessageMap(); } \
    const AFX_MSGMAP* theClass::GetThisMessageMap() {                                 \
        using ThisClass [[maybe_unused]] = theClass;                                  \
        using TheBaseClass = baseClass;                                               \
        static const AFX_MSGMAP_ENTRY _messageEntries[] = {
#define END_MESSAGE_MAP()                                                                         \
    { 0, 0, 0, nullptr }                                                                          \
    }                                                                                             \
    ;                                                                                             \
    static const AFX_MSGMAP messageMap = {&TheBaseClass::GetThisMessageMap, &_messageEntries[0]}; \
    return &messageMap;                                                                           \
    }

#define ON_WM_CREATE() {WM_CREATE, 0, 0, &afx_thunk::Create<&ThisClass::OnCreate>},
#define ON_WM_CLOSE() {WM_CLOSE, 0, 0, &afx_thunk::Void<&ThisClass::OnClose>},
#define ON_WM_PAINT() {WM_PAINT, 0, 0, &afx_thunk::Void<&ThisClass::OnPaint>},
#define ON_WM_TIMER() {WM_TIMER, 0, 0, &afx_thunk::Timer<&ThisClass::OnTimer>},
#define ON_WM_SYSCOMMAND() {WM_SYSCOMMAND, 0, 0, &afx_thunk::SysCommand<&ThisClass::OnSysCommand>},
#define ON_WM_QUERYDRAGICON() {WM_QUERYDRAGICON, 0, 0, &afx_thunk::QueryIcon<&ThisClass::OnQueryDragIcon>},
#define ON_WM_WINDOWPOSCHANGING() {WM_WINDOWPOSCHANGING, 0, 0, &afx_thunk::WindowPos<&ThisClass::OnWindowPosChanging>},
#define ON_MESSAGE(message, memberFxn) {message, 0, 0, &afx_thunk::Message<&ThisClass::memberFxn>},
#define ON_COMMAND(id, memberFxn) {WM_COMMAND, 0, static_cast<UINT>(id), &afx_thunk::Void<&ThisClass::memberFxn>},
#define ON_BN_CLICKED(id, memberFxn) \
    {WM_COMMAND, BN_CLICKED, static_cast<UINT>(id), &afx_thunk::Void<&ThisClass::memberFxn>},
