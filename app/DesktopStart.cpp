#include "app/DesktopStart.h"

#include <vector>

// shellapi.h (through shlobj.h) names ShellExecute as a macro: first, so that
// IShellDispatch2's method takes the same name as the call below.
#include <shlobj.h>
#include <exdisp.h>
#include <shldisp.h>
#include <shlguid.h>
#include <shobjidl.h>

#include "framework/Handles.h"

namespace {

template <class Interface>
using ComPtr = UniqueComReference<Interface>;

struct BstrTraits {
    static void Close(BSTR text) { ::SysFreeString(text); }
};
using UniqueBstr = UniqueHandle<BSTR, BstrTraits>;

// A VARIANT that clears what it holds.
class Variant {
public:
    Variant() { ::VariantInit(&m_value); }
    explicit Variant(LONG number) : Variant() {
        m_value.vt = VT_I4;
        m_value.lVal = number;
    }
    // Empty text stays VT_EMPTY: "not given" to the shell.
    explicit Variant(const std::wstring& text) : Variant() {
        if (!text.empty()) {
            m_value.vt = VT_BSTR;
            m_value.bstrVal = ::SysAllocString(text.c_str());
        }
    }
    Variant(const Variant&) = delete;
    Variant& operator=(const Variant&) = delete;
    ~Variant() { ::VariantClear(&m_value); }
    VARIANT* get() { return &m_value; }
    // By value, as the shell's methods take it; this object still owns it.
    const VARIANT& value() const { return m_value; }

private:
    VARIANT m_value;
};

template <class Interface>
HRESULT Query(IUnknown* object, ComPtr<Interface>* out) {
    Interface* raw = nullptr;
    const HRESULT result = object->QueryInterface(IID_PPV_ARGS(&raw));
    out->reset(raw);
    return result;
}

// The TOKEN_USER of `token`; empty when the system does not say.
std::vector<BYTE> UserOf(HANDLE token) {
    DWORD size = 0;
    ::GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    std::vector<BYTE> user(size);
    if (size == 0 || !::GetTokenInformation(token, TokenUser, user.data(), size, &size)) {
        user.clear();
    }
    return user;
}

ShellOwner OwnerOfShell(HANDLE ownToken) {
    const HWND shell = ::GetShellWindow();
    if (shell == nullptr) {
        return ShellOwner::NoShell;
    }
    DWORD processId = 0;
    ::GetWindowThreadProcessId(shell, &processId);
    const UniqueKernelHandle process(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
    HANDLE token = nullptr;
    // Our own user's shell lets us look; one that does not is someone else's.
    if (!process || !::OpenProcessToken(process.get(), TOKEN_QUERY, &token)) {
        return ShellOwner::OtherUser;
    }
    const UniqueKernelHandle shellToken(token);
    std::vector<BYTE> mine = UserOf(ownToken);
    std::vector<BYTE> theirs = UserOf(shellToken.get());
    if (mine.empty() || theirs.empty()) {
        return ShellOwner::OtherUser;
    }
    return ::EqualSid(reinterpret_cast<TOKEN_USER*>(mine.data())->User.Sid,
                      reinterpret_cast<TOKEN_USER*>(theirs.data())->User.Sid)
               ? ShellOwner::SameUser
               : ShellOwner::OtherUser;
}

}  // namespace

StartingToken ThisProcessStartingToken() {
    StartingToken starting{true, true, false, ShellOwner::OtherUser};
    DWORD session = 0;
    starting.sessionZero = !::ProcessIdToSessionId(::GetCurrentProcessId(), &session) || session == 0;
    HANDLE token = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token)) {
        return starting;
    }
    const UniqueKernelHandle own(token);
    TOKEN_ELEVATION elevation{};
    DWORD size = 0;
    starting.elevated = !::GetTokenInformation(token, TokenElevation, &elevation, sizeof(elevation), &size) ||
                        elevation.TokenIsElevated != 0;
    DWORD uiAccess = 0;
    starting.uiAccess =
        ::GetTokenInformation(token, TokenUIAccess, &uiAccess, sizeof(uiAccess), &size) && uiAccess != 0;
    starting.shellOwner = OwnerOfShell(token);
    return starting;
}

std::optional<ShellStartFailure> StartThroughDesktopShell(const std::wstring& file, const std::wstring& folder) {
    // The desktop's own folder view, found through the shell's list of its
    // windows (which the shell serves from its own process), hands out the
    // shell's automation object; what that starts, the shell's process starts.
    IShellWindows* rawWindows = nullptr;
    HRESULT result = ::CoCreateInstance(CLSID_ShellWindows, nullptr, CLSCTX_LOCAL_SERVER, IID_PPV_ARGS(&rawWindows));
    const ComPtr<IShellWindows> windows(rawWindows);
    if (FAILED(result)) {
        return ShellStartFailure{L"ShellWindows", result};
    }
    Variant desktopLocation(LONG{CSIDL_DESKTOP});
    Variant noRoot;
    long desktopWindow = 0;
    IDispatch* rawDesktop = nullptr;
    result = windows.get()->FindWindowSW(desktopLocation.get(), noRoot.get(), SWC_DESKTOP, &desktopWindow,
                                         SWFO_NEEDDISPATCH, &rawDesktop);
    const ComPtr<IDispatch> desktop(rawDesktop);
    // S_FALSE: no desktop registered with the shell, as where none runs.
    if (result != S_OK || !desktop) {
        return ShellStartFailure{L"FindWindowSW", result == S_OK ? E_NOINTERFACE : result};
    }
    ComPtr<IServiceProvider> services;
    if (FAILED(result = Query(desktop.get(), &services))) {
        return ShellStartFailure{L"IServiceProvider", result};
    }
    IShellBrowser* rawBrowser = nullptr;
    result = services.get()->QueryService(SID_STopLevelBrowser, IID_PPV_ARGS(&rawBrowser));
    const ComPtr<IShellBrowser> browser(rawBrowser);
    if (FAILED(result)) {
        return ShellStartFailure{L"QueryService", result};
    }
    IShellView* rawView = nullptr;
    result = browser.get()->QueryActiveShellView(&rawView);
    const ComPtr<IShellView> view(rawView);
    if (FAILED(result)) {
        return ShellStartFailure{L"QueryActiveShellView", result};
    }
    IDispatch* rawBackground = nullptr;
    result = view.get()->GetItemObject(SVGIO_BACKGROUND, IID_PPV_ARGS(&rawBackground));
    const ComPtr<IDispatch> background(rawBackground);
    if (FAILED(result)) {
        return ShellStartFailure{L"GetItemObject", result};
    }
    ComPtr<IShellFolderViewDual> folderView;
    if (FAILED(result = Query(background.get(), &folderView))) {
        return ShellStartFailure{L"IShellFolderViewDual", result};
    }
    IDispatch* rawApplication = nullptr;
    result = folderView.get()->get_Application(&rawApplication);
    const ComPtr<IDispatch> application(rawApplication);
    if (FAILED(result) || !application) {
        return ShellStartFailure{L"get_Application", FAILED(result) ? result : E_NOINTERFACE};
    }
    ComPtr<IShellDispatch2> shell;
    if (FAILED(result = Query(application.get(), &shell))) {
        return ShellStartFailure{L"IShellDispatch2", result};
    }
    const UniqueBstr fileText(::SysAllocString(file.c_str()));
    if (!fileText) {
        return ShellStartFailure{L"ShellExecute", E_OUTOFMEMORY};
    }
    const Variant noArguments;
    const Variant inFolder(folder);
    const Variant open(std::wstring(L"open"));
    const Variant shown(LONG{SW_SHOWNORMAL});
    result =
        shell.get()->ShellExecute(fileText.get(), noArguments.value(), inFolder.value(), open.value(), shown.value());
    // Only S_OK started it: Wine's shell answers S_FALSE for a file it did not start.
    if (result != S_OK) {
        return ShellStartFailure{L"ShellExecute", result};
    }
    return std::nullopt;
}
