// From the posted release of the volume-up key to the OSD showing the new
// picture, in the running program: median and 99th percentile over 200
// presses. The OSD is hidden before each press, and showing is the last step
// of a display, after the picture is drawn.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "BenchTiming.h"
#include "WindowWatch.h"
#include "sim/SimNotebook.h"

namespace {
constexpr UINT WM_FNKEY_EVENT = WM_APP + 0x65;
constexpr int kPresses = 200;

std::wstring BinDirectory() {
    wchar_t path[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring dir(path);
    return dir.substr(0, dir.find_last_of(L"\\/"));
}

// Polls with a yield between looks: a busy loop would take a core from the
// program and the Wine server it measures, on a machine with two.
template <class Pred>
bool SpinUntil(Pred pred, double timeoutMs) {
    const double start = NowMs();
    while (!pred()) {
        if (NowMs() - start > timeoutMs) {
            return false;
        }
        ::Sleep(0);
    }
    return true;
}
}  // namespace

int wmain() {
    const std::wstring instance = L"bench-" + std::to_wstring(::GetCurrentProcessId());
    ::SetEnvironmentVariableW(L"VASK_NOTEBOOK", instance.c_str());
    sim::Notebook machine(instance);
    machine.Open();
    machine.Reset();

    const std::wstring exe = BinDirectory() + L"\\VaskHotkey.exe";
    std::wstring commandLine = L"\"" + exe + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!::CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                          &process)) {
        std::fprintf(stderr, "key_bench: cannot start VaskHotkey.exe\n");
        return 1;
    }
    HWND main = observe::WaitForWindow(L"VaskHotkeyClass", nullptr, 10000, process.dwProcessId);
    HWND osd = observe::WaitForWindow(nullptr, L"Function_control_window", 10000, process.dwProcessId);
    int status = 0;
    if (main == nullptr || osd == nullptr) {
        std::fprintf(stderr, "key_bench: the program's windows did not appear\n");
        status = 1;
    } else {
        std::vector<double> samples;
        for (int i = 0; i < kPresses && status == 0; ++i) {
            ::PostMessageW(main, WM_FNKEY_EVENT, 0x80, 0x01);  // Esc hides the OSD
            if (!SpinUntil([&] { return !::IsWindowVisible(osd); }, 5000)) {
                status = 1;
                break;
            }
            machine.Modify([](sim::State& s) { s.volume = 40; });
            const double start = NowMs();
            ::PostMessageW(main, WM_FNKEY_EVENT, 0x81, 0x28);
            if (!SpinUntil([&] { return ::IsWindowVisible(osd) != FALSE; }, 5000)) {
                status = 1;
                break;
            }
            samples.push_back(NowMs() - start);
        }
        if (status == 0) {
            std::printf("volume-up release to the new picture shown, %d presses: median %.3f ms, p99 %.3f ms, "
                        "max %.3f ms\n",
                        kPresses, Percentile(samples, 0.5), Percentile(samples, 0.99), Percentile(samples, 1.0));
        } else {
            std::fprintf(stderr, "key_bench: the OSD did not follow the keys\n");
        }
        ::PostMessageW(main, WM_CLOSE, 0, 0);
    }
    ::WaitForSingleObject(process.hProcess, 10000);
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    machine.Discard();
    return status;
}
