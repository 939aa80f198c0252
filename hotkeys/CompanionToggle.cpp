// The companion key: closes the maker's control-panel program when its window
// is open, otherwise starts it from the file its registry value names.
#include "app/VaskHotkeyDlg.h"

#include <shellapi.h>

#include "framework/DebugOutput.h"
#include "hotkeys/CompanionPath.h"

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
    static_assert(sizeof(wchar_t) == sizeof(char16_t), "registry text is UTF-16");
    const std::optional<std::u16string> value = CompanionPathFromValue(
        reinterpret_cast<const char16_t*>(path), m_cbCompanionPath, kPathBufferBytes / sizeof(wchar_t));
    ::RegCloseKey(m_hCompanionKey);
    if (status != ERROR_SUCCESS || !value) {
        return;
    }
    const std::wstring file(value->begin(), value->end());
    DiagnosticText(file.c_str());
    ::ShellExecuteW(m_hWnd, L"open", file.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}
