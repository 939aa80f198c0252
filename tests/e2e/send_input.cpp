// Sends key events with SendInput from a process of its own, as a keyboard
// would: the test that starts the program is its debugger and must not be
// the one whose input the program's hook sees.
//
//   send_input [x]SCAN(d|u)[:VK] ...  scan code in hex, x = extended, d = down,
//                                     u = up; with a virtual key (hex) the event
//                                     carries both, which every application sees
//   send_input text:WORDS             types WORDS by virtual key
//   send_input storm:SEED:COUNT       the key storm of KeyStorm.h
// Before the words:
//   --gap MS     waits MS milliseconds after each event
//   --times      prints, for each event, "VK UP MS": its virtual key (hex, 0
//                for a scan code alone), 1 for a release, and the moment
//                SendInput was called, in milliseconds of the performance
//                counter, which every process of the machine shares
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "tests/support/Clock.h"
#include "KeyStorm.h"

namespace {

bool AddScanCode(const std::wstring& word, std::vector<INPUT>* inputs) {
    std::wstring rest = word;
    unsigned long vk = 0;
    const size_t colon = rest.find(L':');
    if (colon != std::wstring::npos) {
        wchar_t* vkEnd = nullptr;
        vk = std::wcstoul(rest.c_str() + colon + 1, &vkEnd, 16);
        if (vk == 0 || vk > 0xFE || *vkEnd != L'\0') {
            return false;
        }
        rest.erase(colon);
    }
    const bool extended = !rest.empty() && rest[0] == L'x';
    if (extended) {
        rest.erase(0, 1);
    }
    if (rest.size() < 2 || (rest.back() != L'd' && rest.back() != L'u')) {
        return false;
    }
    const bool up = rest.back() == L'u';
    rest.pop_back();
    wchar_t* end = nullptr;
    const unsigned long scan = std::wcstoul(rest.c_str(), &end, 16);
    if (end == rest.c_str() || *end != L'\0' || scan > 0xFF) {
        return false;
    }
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = static_cast<WORD>(vk);
    input.ki.wScan = static_cast<WORD>(scan);
    // Without a virtual key the system maps the scan code to one; the Fn
    // combinations' codes map to none, and such events reach the hooks only.
    input.ki.dwFlags =
        (vk == 0 ? KEYEVENTF_SCANCODE : 0) | (extended ? KEYEVENTF_EXTENDEDKEY : 0) | (up ? KEYEVENTF_KEYUP : 0);
    inputs->push_back(input);
    return true;
}

void AddText(const std::wstring& text, std::vector<INPUT>* inputs) {
    for (wchar_t c : text) {
        const SHORT vk = ::VkKeyScanW(c);
        for (int up = 0; up < 2; ++up) {
            INPUT input{};
            input.type = INPUT_KEYBOARD;
            input.ki.wVk = static_cast<WORD>(vk & 0xFF);
            input.ki.wScan = static_cast<WORD>(::MapVirtualKeyW(vk & 0xFF, MAPVK_VK_TO_VSC));
            input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
            inputs->push_back(input);
        }
    }
}

bool AddStorm(const std::wstring& spec, std::vector<INPUT>* inputs) {
    unsigned long seed = 0;
    unsigned long count = 0;
    if (std::swscanf(spec.c_str(), L"%lu:%lu", &seed, &count) != 2) {
        return false;
    }
    for (const e2e::StormEvent& event : e2e::MakeStorm(static_cast<uint32_t>(seed), static_cast<int>(count)).events) {
        INPUT input{};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = event.vk;
        input.ki.wScan =
            event.scanCode != 0 ? event.scanCode : static_cast<WORD>(::MapVirtualKeyW(event.vk, MAPVK_VK_TO_VSC));
        input.ki.dwFlags = (event.vk == 0 ? KEYEVENTF_SCANCODE : 0) | (event.extended ? KEYEVENTF_EXTENDEDKEY : 0) |
                           (event.up ? KEYEVENTF_KEYUP : 0);
        inputs->push_back(input);
    }
    return true;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    std::vector<INPUT> inputs;
    DWORD gapMs = 0;
    bool times = false;
    for (int i = 1; i < argc; ++i) {
        const std::wstring word = argv[i];
        if (word == L"--gap" && i + 1 < argc) {
            gapMs = static_cast<DWORD>(std::wcstoul(argv[++i], nullptr, 10));
        } else if (word == L"--times") {
            times = true;
        } else if (word.rfind(L"text:", 0) == 0) {
            AddText(word.substr(5), &inputs);
        } else if (word.rfind(L"storm:", 0) == 0) {
            if (!AddStorm(word.substr(6), &inputs)) {
                std::fwprintf(stderr, L"send_input: cannot read \"%ls\"\n", argv[i]);
                return 2;
            }
        } else if (!AddScanCode(word, &inputs)) {
            std::fwprintf(stderr, L"send_input: cannot read \"%ls\"\n", argv[i]);
            return 2;
        }
    }
    // One event at a time, so that each is seen by the hooks before the next.
    for (INPUT& input : inputs) {
        const double sentMs = NowMs();
        if (::SendInput(1, &input, sizeof(INPUT)) != 1) {
            std::fwprintf(stderr, L"send_input: SendInput failed (%lu)\n", ::GetLastError());
            return 1;
        }
        if (times) {
            std::printf("%x %d %.3f\n", static_cast<unsigned>(input.ki.wVk),
                        (input.ki.dwFlags & KEYEVENTF_KEYUP) != 0 ? 1 : 0, sentMs);
        }
        if (gapMs > 0) {
            ::Sleep(gapMs);
        }
    }
    return 0;
}
