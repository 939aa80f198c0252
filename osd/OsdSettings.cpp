#include "osd/OsdSettings.h"

#include <cstring>

namespace {

constexpr char16_t kPrimary[] = u"primary";
constexpr char16_t kActive[] = u"active";

std::wstring BadValueLine(const wchar_t* name, const std::wstring& key, const wchar_t* expected, const wchar_t* used) {
    return std::wstring(L"[VaskHotkey]Setting ") + name + L" in " + key + L" is not " + expected + L"; using " + used +
           L"\n";
}

// 0 or 1, as four bytes; nullopt for anything else.
std::optional<bool> SharpFrom(const SettingValue& value) {
    if (value.type != kRegistryDword || value.bytes.size() != sizeof(uint32_t)) {
        return std::nullopt;
    }
    uint32_t number = 0;
    std::memcpy(&number, value.bytes.data(), sizeof(number));  // little-endian, as the registry and x86 are
    if (number > 1) {
        return std::nullopt;
    }
    return number == 1;
}

// The text without its terminating NULs; nullopt when it is no whole text.
std::optional<std::u16string> TextFrom(const SettingValue& value) {
    if (value.type != kRegistryText || value.bytes.size() % sizeof(char16_t) != 0) {
        return std::nullopt;
    }
    std::u16string text(value.bytes.size() / sizeof(char16_t), u'\0');
    if (!text.empty()) {
        std::memcpy(text.data(), value.bytes.data(), value.bytes.size());
    }
    while (!text.empty() && text.back() == u'\0') {
        text.pop_back();
    }
    return text;
}

// Letters compared without case, as Windows compares such words.
bool SameWord(const std::u16string& text, const char16_t* word) {
    size_t i = 0;
    for (; word[i] != u'\0'; ++i) {
        if (i >= text.size()) {
            return false;
        }
        char16_t c = text[i];
        if (c >= u'A' && c <= u'Z') {
            c = static_cast<char16_t>(c - u'A' + u'a');
        }
        if (c != word[i]) {
            return false;
        }
    }
    return i == text.size();
}

std::optional<OsdScreen> ScreenFrom(const SettingValue& value) {
    const std::optional<std::u16string> text = TextFrom(value);
    if (!text) {
        return std::nullopt;
    }
    if (SameWord(*text, kPrimary)) {
        return OsdScreen::Primary;
    }
    if (SameWord(*text, kActive)) {
        return OsdScreen::Active;
    }
    return std::nullopt;
}

}  // namespace

SettingsRead ParseOsdSettings(const std::optional<SettingValue>& sharp, const std::optional<SettingValue>& screen) {
    SettingsRead read;
    if (sharp) {
        if (const std::optional<bool> on = SharpFrom(*sharp)) {
            read.settings.sharp = *on;
        } else {
            read.lines.push_back(BadValueLine(kOsdSharpValue, sharp->key, L"a REG_DWORD of 0 or 1", L"0"));
        }
    }
    if (screen) {
        if (const std::optional<OsdScreen> chosen = ScreenFrom(*screen)) {
            read.settings.screen = *chosen;
        } else {
            read.lines.push_back(
                BadValueLine(kOsdScreenValue, screen->key, L"a REG_SZ of \"primary\" or \"active\"", L"primary"));
        }
    }
    return read;
}
