#include "RegistryValue.h"

#include "framework/Handles.h"

namespace observe {

ScopedRegistryValue::ScopedRegistryValue(HKEY root, const std::wstring& key, const std::wstring& name, DWORD type,
                                         const std::vector<BYTE>& bytes)
    : m_root(root), m_key(key), m_name(name) {
    HKEY opened = nullptr;
    if (::RegCreateKeyExW(root, key.c_str(), 0, nullptr, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, &opened,
                          nullptr) != ERROR_SUCCESS) {
        return;
    }
    const UniqueRegistryKey owned(opened);
    DWORD size = 0;
    if (::RegQueryValueExW(opened, name.c_str(), nullptr, &m_oldType, nullptr, &size) == ERROR_SUCCESS) {
        m_oldBytes.resize(size);
        m_hadValue =
            ::RegQueryValueExW(opened, name.c_str(), nullptr, &m_oldType, m_oldBytes.data(), &size) == ERROR_SUCCESS;
        m_oldBytes.resize(size);
    }
    m_written = ::RegSetValueExW(opened, name.c_str(), 0, type, bytes.data(), static_cast<DWORD>(bytes.size())) ==
                ERROR_SUCCESS;
}

ScopedRegistryValue::~ScopedRegistryValue() {
    HKEY opened = nullptr;
    if (::RegOpenKeyExW(m_root, m_key.c_str(), 0, KEY_SET_VALUE, &opened) != ERROR_SUCCESS) {
        return;
    }
    const UniqueRegistryKey owned(opened);
    if (m_hadValue) {
        ::RegSetValueExW(opened, m_name.c_str(), 0, m_oldType, m_oldBytes.data(),
                         static_cast<DWORD>(m_oldBytes.size()));
    } else {
        ::RegDeleteValueW(opened, m_name.c_str());
    }
}

std::vector<BYTE> ScopedRegistryValue::Dword(DWORD value) {
    const auto* bytes = reinterpret_cast<const BYTE*>(&value);
    return {bytes, bytes + sizeof(value)};
}

std::vector<BYTE> ScopedRegistryValue::Text(const std::wstring& text) {
    const auto* bytes = reinterpret_cast<const BYTE*>(text.c_str());
    return {bytes, bytes + (text.size() + 1) * sizeof(wchar_t)};
}

}  // namespace observe
