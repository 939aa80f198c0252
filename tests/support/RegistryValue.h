#pragma once
// A registry value set for the length of a test and put back as it was after:
// removed again, or restored with its old type and bytes. For the settings a
// program reads at its start, and for the prefix's own (LogPixels).

#include <windows.h>

#include <string>
#include <vector>

namespace observe {

class ScopedRegistryValue {
public:
    ScopedRegistryValue(HKEY root, const std::wstring& key, const std::wstring& name, DWORD type,
                        const std::vector<BYTE>& bytes);
    ~ScopedRegistryValue();
    ScopedRegistryValue(const ScopedRegistryValue&) = delete;
    ScopedRegistryValue& operator=(const ScopedRegistryValue&) = delete;

    static std::vector<BYTE> Dword(DWORD value);
    static std::vector<BYTE> Text(const std::wstring& text);  // with its terminating NUL

    // False when the value could not be written.
    bool Written() const { return m_written; }

private:
    HKEY m_root;
    std::wstring m_key;
    std::wstring m_name;
    bool m_written = false;
    bool m_hadValue = false;
    DWORD m_oldType = 0;
    std::vector<BYTE> m_oldBytes;
};

}  // namespace observe
