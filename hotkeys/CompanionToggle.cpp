// The companion key: closes the maker's control-panel program when its window
// is open, otherwise starts it from the file its registry value names.
#include "app/VaskHotkeyDlg.h"

#include <shellapi.h>

#include "framework/DebugOutput.h"

namespace {

constexpr wchar_t kCompanionTitle[] = L"Korvelane Zorvath";
constexpr wchar_t kCompanionKey[] = L"SOFTWARE\\Korvelane\\Zorvath";
constexpr wchar_t kCompanionValue[] = L"S1_KEY";
constexpr DWORD kPathBufferBytes = 512;

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

    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kCompanionKey, 0, KEY_READ, &m_hCompanionKey) != ERROR_SUCCESS) {
        DiagnosticLine(L"RegOpenKey Error\n");
        return;
    }
    wchar_t path[kPathBufferBytes / sizeof(wchar_t)];
    m_cbCompanionPath = kPathBufferBytes;
    const LSTATUS status = ::RegQueryValueExW(m_hCompanionKey, kCompanionValue, nullptr, nullptr,
                                              reinterpret_cast<BYTE*>(path), &m_cbCompanionPath);
    // The value is used as text up to the bytes read: one that fills the whole
    // buffer without its terminating NUL cannot be ended and is not started.
    const size_t units = m_cbCompanionPath / sizeof(wchar_t);
    const bool terminated = units < kPathBufferBytes / sizeof(wchar_t) || (units > 0 && path[units - 1] == L'\0');
    if (status != ERROR_SUCCESS || !terminated) {
        ::RegCloseKey(m_hCompanionKey);
        return;
    }
    if (units < kPathBufferBytes / sizeof(wchar_t)) {
        path[units] = L'\0';
    }
    DiagnosticText(path);
    ::RegCloseKey(m_hCompanionKey);
    ::ShellExecuteW(m_hWnd, L"open", path, nullptr, nullptr, SW_SHOWNORMAL);
}
