#include "app/DisplaySettings.h"

#include <windows.h>

#include <cstdio>
#include <optional>

#include "framework/Handles.h"
#include "framework/LateBound.h"

namespace {

constexpr wchar_t kSettingsKey[] = L"Software\\VaskHotkey";
// Anything longer is no value of ours; it is read as far as this and refused.
constexpr DWORD kMostValueBytes = 256;

struct SettingsKey {
    HKEY root;
    const wchar_t* name;  // as the line about a bad value names it
};
const SettingsKey kSettingsKeys[] = {{HKEY_CURRENT_USER, L"HKEY_CURRENT_USER\\Software\\VaskHotkey"},
                                     {HKEY_LOCAL_MACHINE, L"HKEY_LOCAL_MACHINE\\Software\\VaskHotkey"}};

std::optional<SettingValue> ReadValue(const wchar_t* valueName) {
    for (const SettingsKey& key : kSettingsKeys) {
        HKEY opened = nullptr;
        if (::RegOpenKeyExW(key.root, kSettingsKey, 0, KEY_QUERY_VALUE, &opened) != ERROR_SUCCESS) {
            continue;
        }
        const UniqueRegistryKey owned(opened);
        SettingValue value{key.name, 0, std::vector<uint8_t>(kMostValueBytes)};
        DWORD type = 0;
        DWORD size = kMostValueBytes;
        const LSTATUS status = ::RegQueryValueExW(opened, valueName, nullptr, &type, value.bytes.data(), &size);
        if (status == ERROR_FILE_NOT_FOUND) {
            continue;
        }
        if (status != ERROR_SUCCESS) {
            // Too long, or unreadable: what it holds is not looked at, and is bad.
            value.type = REG_NONE;
            value.bytes.clear();
            return value;
        }
        value.type = type;
        value.bytes.resize(size);
        return value;
    }
    return std::nullopt;
}

// The calls of Windows 10 1607 and 1703, which an older system lacks.
using SetProcessAwarenessFn = BOOL(WINAPI*)(HANDLE);
using ThreadAwarenessFn = HANDLE(WINAPI*)();
using AwarenessOfFn = int(WINAPI*)(HANDLE);
const HANDLE kPerMonitorAwareV2 = reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-4));
constexpr int kPerMonitorAwareness = 2;  // DPI_AWARENESS_PER_MONITOR_AWARE

}  // namespace

SettingsRead ReadOsdSettings() { return ParseOsdSettings(ReadValue(kOsdSharpValue), ReadValue(kOsdScreenValue)); }

bool BecomePerMonitorDpiAware(std::wstring* line) {
    const HMODULE user = ::GetModuleHandleW(L"user32.dll");
    const auto setProcess = LookUp<SetProcessAwarenessFn>(user, "SetProcessDpiAwarenessContext");
    const auto threadContext = LookUp<ThreadAwarenessFn>(user, "GetThreadDpiAwarenessContext");
    const auto awarenessOf = LookUp<AwarenessOfFn>(user, "GetAwarenessFromDpiAwarenessContext");
    if (setProcess == nullptr || threadContext == nullptr || awarenessOf == nullptr) {
        *line = L"[VaskHotkey]OsdSharp: this Windows cannot draw per monitor DPI; the OSD stays at 190 x 114\n";
        return false;
    }
    // Refused where the process is aware already (a system that makes every
    // process so, or a manifest); what counts is the awareness the thread has.
    setProcess(kPerMonitorAwareV2);
    const int awareness = awarenessOf(threadContext());
    if (awareness == kPerMonitorAwareness) {
        return true;
    }
    wchar_t text[160];
    std::swprintf(
        text, 160,
        L"[VaskHotkey]OsdSharp: the program is DPI awareness %d, not per monitor; the OSD stays at 190 x 114\n",
        awareness);
    *line = text;
    return false;
}
