// The companion key: closes the maker's control-panel program when its window
// is open, otherwise starts it from the file its registry value names.
#include "app/VaskHotkeyDlg.h"

#include <objbase.h>
#include <shellapi.h>

#include <memory>
#include <string>

#include "app/DesktopStart.h"
#include "framework/DebugOutput.h"
#include "framework/WinThread.h"
#include "hotkeys/CompanionPath.h"

namespace {

constexpr wchar_t kCompanionTitle[] = L"Korvelane Zorvath";
constexpr wchar_t kCompanionKey[] = L"SOFTWARE\\Korvelane\\Zorvath";
constexpr wchar_t kCompanionValue[] = L"S1_KEY";
constexpr DWORD kPathBufferBytes = 512;
// The maker's set-up writes its key in the registry view of its own
// architecture, and a program sees the other view only when it asks for it:
// on 64-bit Windows a 64-bit set-up's key is not where a 32-bit build looks.
// On 32-bit Windows both flags are ignored: there is one view.
constexpr REGSAM kOtherRegistryView = sizeof(void*) == 8 ? KEY_WOW64_32KEY : KEY_WOW64_64KEY;

struct CompanionStart {
    std::wstring file;
    HWND owner;
};

void StartItself(const CompanionStart& start) {
    SHELLEXECUTEINFOW execute{};
    execute.cbSize = sizeof(execute);
    // Synchronous to the end on this thread, which may end right after.
    execute.fMask = SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC;
    execute.hwnd = start.owner;
    execute.lpVerb = L"open";
    execute.lpFile = start.file.c_str();
    execute.nShow = SW_SHOWNORMAL;
    ::ShellExecuteExW(&execute);
}

// The start, on a thread of its own: the shell wants COM in a single-threaded
// apartment, may resolve associations slowly, and for a companion that asks for
// elevation waits as long as the consent prompt stands. No error box: a start
// of the program's own that fails tells nothing but the path line written
// before. A copy with UI access or a full administrator's token has the
// desktop's shell start it instead (app/StartRoute.h): what the copy started
// would hold those rights too, and the companion is the user's own program. A
// start the shell refuses gets a line that names the step.
UINT StartCompanion(LPVOID param) {
    const std::unique_ptr<CompanionStart> start(static_cast<CompanionStart*>(param));
    const HRESULT apartment = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    switch (RouteOfStart(ThisProcessStartingToken())) {
    case StartRoute::Itself:
        StartItself(*start);
        break;
    case StartRoute::DesktopShell:
        if (const std::optional<ShellStartFailure> failure = StartThroughDesktopShell(start->file, {})) {
            DiagnosticLine(L"Zorvath not started: %ls 0x%08lx\n", failure->step,
                           static_cast<unsigned long>(failure->result));
        }
        break;
    case StartRoute::Nothing:
        DiagnosticLine(L"Zorvath not started: session 0\n");
        break;
    }
    if (SUCCEEDED(apartment)) {
        ::CoUninitialize();
    }
    return 0;
}

// The key in this build's own view, as it always was read, or else in the other.
LSTATUS OpenCompanionKey(HKEY* key) {
    const LSTATUS own = ::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kCompanionKey, 0, KEY_READ, key);
    if (own == ERROR_SUCCESS) {
        return own;
    }
    return ::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kCompanionKey, 0, KEY_READ | kOtherRegistryView, key);
}

}  // namespace

void CVaskHotkeyDlg::ToggleCompanion() {
    DiagnosticLine(L"Zorvath");

    if (HWND companion = ::FindWindowW(nullptr, kCompanionTitle)) {
        DiagnosticLine(L"Close Zorvath Application");
        if (!::PostMessageW(companion, WM_CLOSE, 0, 0)) {
            DiagnosticLine(L"PoseMessage to Zorvath Application Error : %d ", static_cast<int>(::GetLastError()));
        }
        return;
    }

    if (OpenCompanionKey(&m_hCompanionKey) != ERROR_SUCCESS) {
        DiagnosticLine(L"RegOpenKey Error\n");
        return;
    }
    wchar_t path[kPathBufferBytes / sizeof(wchar_t)];
    m_cbCompanionPath = kPathBufferBytes;
    const LSTATUS status = ::RegQueryValueExW(m_hCompanionKey, kCompanionValue, nullptr, nullptr,
                                              reinterpret_cast<BYTE*>(path), &m_cbCompanionPath);
    ::RegCloseKey(m_hCompanionKey);
    m_hCompanionKey = nullptr;
    // Only a query that succeeded wrote the buffer.
    if (status != ERROR_SUCCESS) {
        return;
    }
    static_assert(sizeof(wchar_t) == sizeof(char16_t), "registry text is UTF-16");
    const std::optional<std::u16string> value = CompanionPathFromValue(
        reinterpret_cast<const char16_t*>(path), m_cbCompanionPath, kPathBufferBytes / sizeof(wchar_t));
    if (!value) {
        return;
    }
    const std::wstring file(value->begin(), value->end());
    DiagnosticText(file.c_str());
    // An empty path names no program: the shell would open a folder instead.
    if (file.empty()) {
        return;
    }
    // Nothing waits for the companion; the thread deletes itself at its end.
    auto* start = new CompanionStart{file, m_hWnd};
    if (AfxBeginThread(&StartCompanion, start) == nullptr) {
        delete start;
        DiagnosticLine(L"Zorvath not started: error %lu\n", ::GetLastError());
    }
}
