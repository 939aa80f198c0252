// What the user feels of the program while typing: the time from SendInput of
// a letter to its key message in a window of this process, in front with the
// focus. Every key event of the desktop passes the program's low-level hook
// first, so whatever holds the hook's thread holds everyone's typing.
//
// The quiet cases take turns, in rounds of a quarter of their letters each,
// so that a slow stretch of the machine falls on all of them alike: without
// the program; with only a bare low-level hook in place (the picture floor of
// the key bench: its hook posts the key to a window and passes it on, what
// any such hook costs here); the program idle; and two variants of the
// program built for this bench, one without its hook's raw-input watch and
// one with its hook's thread at normal priority, so that what each costs a
// key shows. Then the program under load: during a burst of displays, during
// the mute display's pause, and during a vendor call that stalls for 3 s.
// Each case prints its median and p99, what it adds to typing without the
// program, and what it adds beyond the bare hook.
//
//   input_latency [samples]   default 1000 letters a case; the programs are
//                             the VaskHotkey*.exe and osd_floor.exe beside
//                             this one
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "BenchTiming.h"
#include "Process.h"
#include "WindowWatch.h"
#include "app/AppMessages.h"
#include "framework/Handles.h"
#include "hotkeys/DecisionTable.h"
#include "sim/SimNotebook.h"

namespace {

constexpr DWORD kGapMs = 10;  // between letters, as fast typing
constexpr DWORD kStallMs = 3000;
constexpr double kArrivalTimeoutMs = 5000;

// The window the letters are typed into; its procedure stamps each key-down.
std::atomic<double> g_arrivedAt{0};
UniqueKernelHandle g_arrived;

LRESULT CALLBACK TypingWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_KEYDOWN && wParam == 'A') {
        g_arrivedAt = NowMs();
        ::SetEvent(g_arrived.get());
    }
    return ::DefWindowProcW(hwnd, message, wParam, lParam);
}

void SendLetter(bool up) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = 'A';
    input.ki.wScan = static_cast<WORD>(::MapVirtualKeyW('A', MAPVK_VK_TO_VSC));
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    ::SendInput(1, &input, sizeof(input));
}

// One letter: from its SendInput to its key message; -1 when it never came.
double TypeOne() {
    ::ResetEvent(g_arrived.get());
    const double sent = NowMs();
    SendLetter(false);
    const bool arrived = ::WaitForSingleObject(g_arrived.get(), static_cast<DWORD>(kArrivalTimeoutMs)) == WAIT_OBJECT_0;
    SendLetter(true);
    ::Sleep(kGapMs);
    return arrived ? g_arrivedAt - sent : -1;
}

struct Case {
    const char* name;
    std::vector<double> samples;
    int lost = 0;
};

void Record(Case* c, double ms) {
    if (ms < 0) {
        ++c->lost;
    } else {
        c->samples.push_back(ms);
    }
}

// Posts a key event to the program's main window every `everyMs` while it lives.
class Load {
public:
    Load(HWND main, uint32_t flags, uint32_t scanCode, DWORD everyMs)
        : m_thread([=] {
              while (!m_stop) {
                  ::PostMessageW(main, WM_FNKEY_EVENT, flags, scanCode);
                  ::Sleep(everyMs);
              }
          }) {}
    ~Load() {
        m_stop = true;
        m_thread.join();
    }

private:
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

class Bench {
public:
    explicit Bench(int samples)
        : m_samples(samples), m_machine(L"latency-" + std::to_wstring(::GetCurrentProcessId())) {
        ::SetEnvironmentVariableW(L"VASK_NOTEBOOK", m_machine.Instance().c_str());
        m_machine.Open();
        m_machine.Reset();
    }
    ~Bench() { m_machine.Discard(); }

    // Runs every case; false when a program does not start to a working hook.
    bool Run() {
        // The first letters of a run find every cache cold; the case without
        // the program comes first, and would otherwise carry that alone.
        Case warmUp{"warm-up", {}, 0};
        Measure(&warmUp, std::max(100, m_samples / 10));
        constexpr int kRounds = 4;
        for (int round = 0; round < kRounds; ++round) {
            // The last round's share takes what the others left of the count.
            const int letters = round + 1 < kRounds ? m_samples / kRounds : m_samples - m_samples / kRounds * 3;
            Measure(&m_without, letters);
            const std::pair<Case*, bool (Bench::*)()> started[] = {{&m_bareHook, &Bench::StartBareHook},
                                                                   {&m_noWatch, &Bench::StartNoWatch},
                                                                   {&m_normalPriority, &Bench::StartNormalPriority},
                                                                   {&m_idle, &Bench::StartTheProgram}};
            for (const auto& [c, start] : started) {
                if (!(this->*start)()) {
                    return false;
                }
                Measure(c, letters);
                // The program itself stays for the cases under load.
                if (c != &m_idle || round + 1 < kRounds) {
                    StopProgram();
                }
            }
        }
        {
            // A wireless release every 2 ms: the program draws and shows the
            // display over and over.
            Load displays(m_main, KeyFlag::kExtendedRelease, ScanCode::kWireless, 2);
            Measure(&m_displays, m_samples);
        }
        Drain();
        {
            // A mute release every 50 ms: the user-interface thread spends
            // most of its time in the display's 100 ms pause.
            Load mutes(m_main, KeyFlag::kExtendedRelease, ScanCode::kMute, 50);
            Measure(&m_mutePause, m_samples);
        }
        Drain();
        m_machine.SetFault(sim::Function::WMI_GetBrightnessVista, sim::Fault::Stall, kStallMs);
        while (static_cast<int>(m_stall.samples.size()) + m_stall.lost < m_samples) {
            // Letters only while the call is surely stalling.
            ::PostMessageW(m_main, WM_FNKEY_EVENT, KeyFlag::kExtendedRelease, ScanCode::kBrightnessUp);
            ::Sleep(100);
            const double end = NowMs() + kStallMs - 400;
            while (NowMs() < end && static_cast<int>(m_stall.samples.size()) + m_stall.lost < m_samples) {
                Record(&m_stall, TypeOne());
            }
            Drain();
        }
        m_machine.SetFault(sim::Function::WMI_GetBrightnessVista, sim::Fault::None);
        StopProgram();
        return true;
    }

    void Print() const {
        std::printf(
            "input latency: SendInput of a letter to its key message in the window in front; "
            "median / p99 in ms (i.e. what everyone's typing waits)\n");
        std::printf("%-44s %17s   %-17s   %-17s\n", "", "", "  added to none", "  beyond the hook");
        for (const Case* c :
             {&m_without, &m_bareHook, &m_idle, &m_noWatch, &m_normalPriority, &m_displays, &m_mutePause, &m_stall}) {
            if (c->samples.empty()) {
                std::printf("%-44s no samples\n", c->name);
                continue;
            }
            std::printf("%-44s %7.2f / %7.2f", c->name, Percentile(c->samples, 0.5), Percentile(c->samples, 0.99));
            // What the case adds to typing without any hook, and to typing
            // through a bare hook: what the program itself costs a key.
            for (const Case* base : {&m_without, &m_bareHook}) {
                if (c == &m_without || base == c || base->samples.empty()) {
                    std::printf("   %17s", "");
                    continue;
                }
                std::printf("   %7.2f / %7.2f", Percentile(c->samples, 0.5) - Percentile(base->samples, 0.5),
                            Percentile(c->samples, 0.99) - Percentile(base->samples, 0.99));
            }
            std::printf("   (%zu samples%s)\n", c->samples.size(),
                        c->lost > 0 ? (", " + std::to_string(c->lost) + " never arrived").c_str() : "");
        }
    }

private:
    void Measure(Case* c, int count) {
        for (int i = 0; i < count; ++i) {
            Record(c, TypeOne());
        }
    }

    // Starts one of the VaskHotkey*.exe beside this bench; true once its
    // hook is in place, shown by a real key event reaching the program.
    bool StartProgram(const wchar_t* name) {
        // The hook's proof below is a call of this start, not of one before.
        m_machine.ClearCallLog();
        return Launch(name, L"VaskHotkeyClass", [this] {
            const auto log = m_machine.CallLogText();
            for (const std::string& call : log.value_or(std::vector<std::string>{})) {
                if (call.rfind("KervoEvaluate(0xb0", 0) == 0) {
                    return true;
                }
            }
            return false;
        });
    }

    bool StartNoWatch() { return StartProgram(L"VaskHotkey_nowatch.exe"); }
    bool StartNormalPriority() { return StartProgram(L"VaskHotkey_normalpriority.exe"); }
    bool StartTheProgram() { return StartProgram(L"VaskHotkey.exe"); }

    // The picture floor: its window, which takes the close, is the picture it
    // shows once its hook has the key.
    bool StartBareHook() {
        return Launch(L"osd_floor.exe", L"VaskFloorOsdClass", [this] { return ::IsWindowVisible(m_main) != FALSE; });
    }

    bool Launch(const wchar_t* name, const wchar_t* mainClass, const std::function<bool()>& hookAnswered) {
        const std::wstring exe = observe::ExecutableDir() + name;
        std::wstring commandLine = L"\"" + exe + L"\"";
        STARTUPINFOW startup{};
        startup.cb = sizeof(startup);
        PROCESS_INFORMATION started{};
        if (!::CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                              &started)) {
            std::fprintf(stderr, "input_latency: cannot start %ls (error %lu)\n", exe.c_str(), ::GetLastError());
            return false;
        }
        m_process = observe::StartedProcess(started);
        m_main = observe::WaitForWindow(mainClass, nullptr, 10000, m_process.pid);
        for (int attempt = 0; m_main != nullptr && attempt < 100; ++attempt) {
            INPUT input{};
            input.type = INPUT_KEYBOARD;
            input.ki.wScan = static_cast<WORD>(ScanCode::kWireless);
            input.ki.dwFlags = KEYEVENTF_SCANCODE | KEYEVENTF_EXTENDEDKEY | KEYEVENTF_KEYUP;
            ::SendInput(1, &input, sizeof(input));
            ::Sleep(50);
            if (hookAnswered()) {
                ::Sleep(1000);  // past its start-up work
                return true;
            }
        }
        std::fprintf(stderr, "input_latency: %ls did not start to a working hook\n", name);
        StopProgram();  // not left running with its hook on everyone's keys
        return false;
    }

    // Waits until the program has handled everything posted so far.
    void Drain() {
        DWORD_PTR result = 0;
        ::SendMessageTimeoutW(m_main, WM_NULL, 0, 0, SMTO_NORMAL, 30000, &result);
        ::Sleep(200);
    }

    void StopProgram() {
        m_process.CloseOrEnd(m_main);
        m_main = nullptr;
    }

    int m_samples;
    sim::Notebook m_machine;
    observe::StartedProcess m_process;
    HWND m_main = nullptr;
    Case m_without{"without the program", {}, 0};
    Case m_bareHook{"a bare low-level hook (the picture floor)", {}, 0};
    Case m_idle{"the program idle", {}, 0};
    Case m_noWatch{"idle, its raw-input watch off", {}, 0};
    Case m_normalPriority{"idle, its hook's thread at normal priority", {}, 0};
    Case m_displays{"during a burst of displays", {}, 0};
    Case m_mutePause{"during the mute display's pause", {}, 0};
    Case m_stall{"during a 3 s stall of a vendor call", {}, 0};
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const int samples = argc > 1 ? std::max(10, _wtoi(argv[1])) : 1000;
    g_arrived.reset(::CreateEventW(nullptr, FALSE, FALSE, nullptr));
    WNDCLASSW wc{};
    wc.lpfnWndProc = &TypingWindowProc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = L"VaskLatencyTypingWindow";
    ::RegisterClassW(&wc);
    HWND window = ::CreateWindowExW(0, wc.lpszClassName, L"typing", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 200, 100,
                                    nullptr, nullptr, wc.hInstance, nullptr);
    ::SetForegroundWindow(window);
    ::SetFocus(window);

    // The letters are typed from a thread of their own; this one only takes
    // them, as an application's message loop does.
    Bench bench(samples);
    bool ran = false;
    const UniqueKernelHandle done(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    std::thread typist([&] {
        ran = bench.Run();
        ::SetEvent(done.get());
    });
    const HANDLE waitFor[] = {done.get()};
    while (::MsgWaitForMultipleObjects(1, waitFor, FALSE, INFINITE, QS_ALLINPUT) != WAIT_OBJECT_0) {
        PumpPending();
    }
    typist.join();
    if (!ran) {
        return 1;
    }
    bench.Print();
    return 0;
}
