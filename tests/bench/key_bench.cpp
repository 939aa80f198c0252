// The program against its floors (osd_floor.exe: the least any program can
// do for the same start and picture, and, "wireless", for the same key, with
// the embedded controller's read and the line), in one run, rounds in turn:
//   - start to hotkey mode entered, from CreateProcess to the notebook's mode;
//   - release of the wireless key to new pixels on screen, for a hidden OSD
//     and for a shown one. The key comes from SendInput, as a keyboard's
//     would (the wireless key is one the program acts on although the
//     system marks such events injected); new pixels are the OSD's area of
//     the screen differing from what it held before the release.
// Then, for the program alone: CPU time and wake-ups over 60 s of idle after
// the first key, and private bytes after start and after 10 000 displays.
// Last, the program with OsdSharp at 150 % display scaling (LogPixels 144):
// key release to pixels for the first show of a picture and for later ones,
// beside the same at 100 % (the floors draw at 100 % only); and at 300 %,
// private bytes after start and after showing every picture the keys show.
//
//   key_bench [rounds]        default 30 rounds of 15 presses per case
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "BenchTiming.h"
#include "Process.h"
#include "RegistryValue.h"
#include "WindowWatch.h"
#include "app/AppMessages.h"
#include "framework/Handles.h"
#include "hotkeys/DecisionTable.h"
#include "osd/WirelessRules.h"
#include "platform/VendorApi.h"
#include "sim/SimNotebook.h"

namespace {

constexpr int kWidth = 190;
constexpr int kHeight = 114;
constexpr int kPressesPerCase = 15;
constexpr double kPixelTimeoutMs = 2000;
constexpr DWORD kSettleMs = 25;  // lets the screen and both processes go quiet between presses
constexpr DWORD kIdleMs = 60000;
constexpr DWORD kIdleSampleMs = 50;
constexpr int kDisplays = 10000;

// The OSD's area of the screen, read back through the screen's device context.
class ScreenArea {
public:
    ScreenArea() : m_screen(nullptr), m_memory(::CreateCompatibleDC(m_screen.get())) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(info.bmiHeader);
        info.bmiHeader.biWidth = kWidth;
        info.bmiHeader.biHeight = -kHeight;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        m_section.reset(
            ::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&m_pixels), nullptr, 0));
        ::SelectObject(m_memory.get(), m_section.get());
        m_left = ::GetSystemMetrics(SM_CXSCREEN) / 2 - kWidth / 2;
        m_top = ::GetSystemMetrics(SM_CYSCREEN) / 2 - kHeight / 2;
    }
    std::vector<uint32_t> Capture() {
        Read();
        return std::vector<uint32_t>(m_pixels, m_pixels + kWidth * kHeight);
    }
    bool Differs(const std::vector<uint32_t>& before) {
        Read();
        for (int i = 0; i < kWidth * kHeight; ++i) {
            if ((m_pixels[i] ^ before[i]) & 0xFFFFFF) {
                return true;
            }
        }
        return false;
    }

private:
    void Read() { ::BitBlt(m_memory.get(), 0, 0, kWidth, kHeight, m_screen.get(), m_left, m_top, SRCCOPY); }

    // In this order, so that the memory DC goes first and lets go of the
    // section, which can only be deleted then.
    WindowDc m_screen;
    UniqueBitmap m_section;
    UniqueMemoryDc m_memory;
    uint32_t* m_pixels = nullptr;
    int m_left = 0;
    int m_top = 0;
};

void SendWirelessKey(bool up) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wScan = static_cast<WORD>(ScanCode::kWireless);
    input.ki.dwFlags = KEYEVENTF_SCANCODE | KEYEVENTF_EXTENDEDKEY | (up ? KEYEVENTF_KEYUP : 0);
    ::SendInput(1, &input, sizeof(input));
}

struct Subject {
    Subject(const char* name_, std::wstring exe_, const wchar_t* args_, const wchar_t* mainClass_,
            const wchar_t* osdTitle_)
        : name(name_), exe(std::move(exe_)), args(args_), mainClass(mainClass_), osdTitle(osdTitle_) {}
    const char* name;
    std::wstring exe;
    std::wstring args;
    const wchar_t* mainClass;  // the window that takes WM_CLOSE
    const wchar_t* osdTitle;
    std::vector<double> start, hidden, shown;
    std::vector<double> hiddenAgain;  // hidden, without the first press after each start
    std::vector<double> firstShows;   // the first show of each of the key's two pictures after a start
    int lost = 0;
};

struct Running {
    observe::StartedProcess process;
    HWND main = nullptr;
    HWND osd = nullptr;
};

class Bench {
public:
    Bench() : m_machine(L"bench-" + std::to_wstring(::GetCurrentProcessId())) {
        ::SetEnvironmentVariableW(L"VASK_NOTEBOOK", m_machine.Instance().c_str());
        m_machine.Open();
        m_machine.Reset();
    }
    ~Bench() { m_machine.Discard(); }

    // Starts the subject and times it to hotkey mode; false when it does not
    // get there or its windows never appear.
    bool Start(Subject& subject, Running* running) {
        m_machine.Modify([](sim::State& s) { s.hotkeyMode = 0; });
        std::wstring commandLine = L"\"" + subject.exe + L"\"" + (subject.args.empty() ? L"" : L" " + subject.args);
        STARTUPINFOW startup{};
        startup.cb = sizeof(startup);
        const double begin = NowMs();
        PROCESS_INFORMATION started{};
        if (!::CreateProcessW(subject.exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                              &startup, &started)) {
            return false;
        }
        running->process = observe::StartedProcess(started);
        for (;;) {
            const auto state = m_machine.ReadState();
            if (state && state->hotkeyMode == 1) {
                break;
            }
            if (NowMs() - begin > 10000) {
                return false;
            }
            ::Sleep(1);
        }
        subject.start.push_back(NowMs() - begin);
        const DWORD pid = running->process.pid;
        running->main = observe::WaitForWindow(subject.mainClass, nullptr, 10000, pid);
        running->osd = observe::WaitForWindow(nullptr, subject.osdTitle, 10000, pid);
        if (running->main == nullptr || running->osd == nullptr) {
            return false;
        }
        // The hook is in place once a key shows the OSD.
        for (int attempt = 0; attempt < 50; ++attempt) {
            if (Press(running->osd) >= 0) {
                return true;
            }
        }
        return false;
    }

    // Closes a started subject; one that never showed its window is ended.
    void Stop(Running* running) { running->process.CloseOrEnd(running->main); }

    // One press of the wireless key with the switch turned over first, so that
    // the program's picture changes too; the time from the release to new
    // pixels in the OSD's area, or -1 when none come.
    double Press(HWND osd) {
        ::Sleep(kSettleMs);
        m_machine.Modify([](sim::State& s) { s.ec[EC_WIRELESS_REGISTER] ^= kWirelessSwitchBit; });
        const std::vector<uint32_t> before = m_screen.Capture();
        SendWirelessKey(false);
        ::Sleep(kSettleMs);  // the press is handled before the release is timed
        const double begin = NowMs();
        SendWirelessKey(true);
        while (!m_screen.Differs(before)) {
            if (NowMs() - begin > kPixelTimeoutMs) {
                return -1;
            }
            ::Sleep(0);
        }
        const double elapsed = NowMs() - begin;
        return ::IsWindowVisible(osd) ? elapsed : -1;
    }

    bool Round(Subject& subject) {
        Running running;
        if (!Start(subject, &running)) {
            std::fprintf(stderr, "key_bench: %s did not start to a working hook\n", subject.name);
            Stop(&running);
            return false;
        }
        for (int i = 0; i < kPressesPerCase; ++i) {
            ::ShowWindow(running.osd, SW_HIDE);
            const double elapsed = Press(running.osd);
            Record(subject, &subject.hidden, elapsed);
            if (i > 0) {
                Record(subject, &subject.hiddenAgain, elapsed);
            }
            if (i == 0) {
                Record(subject, &subject.firstShows, elapsed);
            }
            if (::IsWindowVisible(running.osd)) {
                const double shown = Press(running.osd);
                Record(subject, i == 0 ? &subject.firstShows : &subject.shown, shown);
            }
        }
        Stop(&running);
        return true;
    }

    // The program alone: CPU time and wake-ups while idle after its first
    // key, then private bytes after start and after many displays.
    void ProgramAlone(Subject& program);
    // The program at 300 % with OsdSharp: private bytes after start and after
    // showing every picture its keys show here.
    void ProgramAtLargestScale(Subject& program);

private:
    static void Record(Subject& subject, std::vector<double>* samples, double value) {
        if (value < 0) {
            ++subject.lost;
        } else {
            samples->push_back(value);
        }
    }

    sim::Notebook m_machine;
    ScreenArea m_screen;
};

// What Linux says of the program's threads: Wine runs each Windows thread as
// one, so a wake-up is a voluntary context switch.
struct Activity {
    bool known = false;
    double cpuMs = 0;
    std::map<std::wstring, unsigned long long> wakeUps;  // by thread: a thread that ends takes its count along
};

// Wake-ups between two looks, of the threads that lived through both and of
// those started between them.
unsigned long long WakeUpsBetween(const Activity& before, const Activity& after) {
    unsigned long long sum = 0;
    for (const auto& [thread, count] : after.wakeUps) {
        const auto earlier = before.wakeUps.find(thread);
        sum += earlier == before.wakeUps.end() ? count : count - std::min(count, earlier->second);
    }
    return sum;
}

std::string ReadWholeFile(const std::wstring& path) {
    const HANDLE opened = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                        OPEN_EXISTING, 0, nullptr);
    if (opened == INVALID_HANDLE_VALUE) {
        return {};
    }
    const UniqueKernelHandle file(opened);
    std::string text;
    char buffer[4096];
    DWORD read = 0;
    while (::ReadFile(file.get(), buffer, sizeof(buffer), &read, nullptr) && read > 0) {
        text.append(buffer, read);
    }
    return text;
}

// The Linux process running an executable of this name, through Wine's
// drive Z: (the root); 0 when there is none or /proc cannot be read.
unsigned long LinuxPidOf(const char* comm) {
    WIN32_FIND_DATAW entry;
    const HANDLE first = ::FindFirstFileW(L"Z:\\proc\\*", &entry);
    if (first == INVALID_HANDLE_VALUE) {
        return 0;
    }
    const UniqueFindHandle find(first);
    unsigned long found = 0;
    do {
        wchar_t* end = nullptr;
        const unsigned long pid = std::wcstoul(entry.cFileName, &end, 10);
        if (pid != 0 && *end == L'\0' &&
            ReadWholeFile(std::wstring(L"Z:\\proc\\") + entry.cFileName + L"\\comm") == std::string(comm) + "\n") {
            found = pid;
        }
    } while (found == 0 && ::FindNextFileW(find.get(), &entry));
    return found;
}

Activity ActivityOf(unsigned long pid) {
    Activity activity;
    const std::wstring tasks = L"Z:\\proc\\" + std::to_wstring(pid) + L"\\task\\";
    WIN32_FIND_DATAW entry;
    const HANDLE first = ::FindFirstFileW((tasks + L"*").c_str(), &entry);
    if (first == INVALID_HANDLE_VALUE) {
        return activity;
    }
    const UniqueFindHandle find(first);
    const double msPerTick = 1000.0 / 100;  // USER_HZ
    do {
        if (entry.cFileName[0] == L'.') {
            continue;
        }
        const std::string stat = ReadWholeFile(tasks + entry.cFileName + L"\\stat");
        const std::string status = ReadWholeFile(tasks + entry.cFileName + L"\\status");
        const size_t afterName = stat.rfind(')');
        const size_t switches = status.find("voluntary_ctxt_switches:");
        if (afterName == std::string::npos || switches == std::string::npos) {
            continue;
        }
        // Fields after the name: state is the 3rd of the line, utime the 14th, stime the 15th.
        unsigned long long utime = 0, stime = 0;
        if (std::sscanf(stat.c_str() + afterName + 2, "%*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %llu %llu", &utime,
                        &stime) == 2) {
            activity.cpuMs += static_cast<double>(utime + stime) * msPerTick;
        }
        activity.wakeUps[entry.cFileName] =
            std::strtoull(status.c_str() + switches + std::strlen("voluntary_ctxt_switches:"), nullptr, 10);
        activity.known = true;
    } while (::FindNextFileW(find.get(), &entry));
    return activity;
}

double PrivateMegabytes(HANDLE process) {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof(counters);
    // Wine leaves PrivateUsage at 0; its page-file usage is the private commit.
    return ::GetProcessMemoryInfo(process, &counters, sizeof(counters)) ? counters.PagefileUsage / 1048576.0 : -1;
}

void Bench::ProgramAlone(Subject& program) {
    Running running;
    if (!Start(program, &running)) {
        std::fprintf(stderr, "key_bench: the program did not start to a working hook\n");
        Stop(&running);
        return;
    }
    // A user's first key comes a while after start, not amid it.
    ::Sleep(2000);
    if (Press(running.osd) < 0) {
        std::fprintf(stderr, "key_bench: the program did not show the first key\n");
    }
    const unsigned long pid = LinuxPidOf("VaskHotkey.exe");
    const Activity before = ActivityOf(pid);
    if (!before.known) {
        std::printf("idle: the program's threads cannot be read from /proc here\n");
    } else {
        std::vector<double> activeAt;
        Activity last = before;
        const double begin = NowMs();
        while (NowMs() - begin < kIdleMs) {
            ::Sleep(kIdleSampleMs);
            const Activity now = ActivityOf(pid);
            if (WakeUpsBetween(last, now) != 0) {
                activeAt.push_back((NowMs() - begin) / 1000.0);
            }
            last = now;
        }
        std::printf("idle %u s after the first key: CPU %.0f ms, %llu wake-ups, in %zu of %u intervals of %u ms",
                    static_cast<unsigned>(kIdleMs / 1000), last.cpuMs - before.cpuMs, WakeUpsBetween(before, last),
                    activeAt.size(), static_cast<unsigned>(kIdleMs / kIdleSampleMs),
                    static_cast<unsigned>(kIdleSampleMs));
        for (size_t i = 0; i < activeAt.size() && i < 12; ++i) {
            std::printf("%s%.2f s", i == 0 ? " (at " : ", ", activeAt[i]);
        }
        std::printf("%s\n", activeAt.empty() ? "" : ")");
        std::printf(
            "  scheduled by the program: the OSD's hide 3 s after the key, the hook's refresh 60 s after "
            "its press\n");
    }

    const double atStart = PrivateMegabytes(running.process.process.get());
    // Displays straight through the hook's message, turning over among five
    // keys' pictures: wireless, volume up and down, brightness up and down.
    static const uint32_t kScanCodes[] = {ScanCode::kWireless, ScanCode::kVolumeUp, ScanCode::kVolumeDown,
                                          ScanCode::kBrightnessUp, ScanCode::kBrightnessDown};
    int done = 0;
    for (int i = 0; i < kDisplays; ++i) {
        DWORD_PTR result = 0;
        if (::SendMessageTimeoutW(running.main, WM_FNKEY_EVENT, KeyFlag::kExtendedRelease, kScanCodes[i % 5],
                                  SMTO_NORMAL, 5000, &result)) {
            ++done;
        }
    }
    std::printf("private bytes: %.2f MB after start, %.2f MB after %d displays\n", atStart,
                PrivateMegabytes(running.process.process.get()), done);
    Stop(&running);
}

// Every picture a key shows on this notebook, each once: the volume's
// levels, mute, the brightness keys at each level, wireless, the display
// outputs' cycle with all four plugged. (No battery: the bench starts the
// program without the debugger that answers its power status.)
int ShowEveryPicture(sim::Notebook& machine, HWND main) {
    int shown = 0;
    const auto press = [&](uint32_t flags, uint32_t scanCode) {
        DWORD_PTR result = 0;
        shown += ::SendMessageTimeoutW(main, WM_FNKEY_EVENT, flags, scanCode, SMTO_NORMAL, 5000, &result) ? 1 : 0;
    };
    for (int volume = 0; volume <= 100; volume += 10) {
        machine.Modify([&](sim::State& s) { s.volume = volume; });
        press(KeyFlag::kExtendedRelease, volume == 0 ? ScanCode::kVolumeDown : ScanCode::kVolumeUp);
    }
    for (const int muted : {1, 0}) {
        machine.Modify([&](sim::State& s) { s.muted = muted; });
        press(KeyFlag::kExtendedRelease, ScanCode::kMute);
    }
    for (const int brightness : {5, 10, 20, 30, 45, 60, 80, 100}) {
        machine.Modify([&](sim::State& s) { s.brightness = brightness; });
        press(KeyFlag::kExtendedRelease, ScanCode::kBrightnessUp);
        press(KeyFlag::kExtendedRelease, ScanCode::kBrightnessDown);
    }
    for (int turn = 0; turn < 2; ++turn) {
        machine.Modify([](sim::State& s) { s.ec[EC_WIRELESS_REGISTER] ^= kWirelessSwitchBit; });
        press(KeyFlag::kExtendedRelease, ScanCode::kWireless);
    }
    machine.Modify([](sim::State& s) { s.connectedOutputs = 0x0F; });
    for (int step = 0; step < 11; ++step) {
        press(KeyFlag::kExtended, ScanCode::kDisplayOutput);
    }
    return shown;
}

void Bench::ProgramAtLargestScale(Subject& program) {
    const observe::ScopedRegistryValue logPixels(HKEY_CURRENT_USER, L"Control Panel\\Desktop", L"LogPixels", REG_DWORD,
                                                 observe::ScopedRegistryValue::Dword(288));
    const observe::ScopedRegistryValue sharp(HKEY_CURRENT_USER, L"Software\\VaskHotkey", L"OsdSharp", REG_DWORD,
                                             observe::ScopedRegistryValue::Dword(1));
    Running running;
    if (!Start(program, &running)) {
        std::fprintf(stderr, "key_bench: the program did not start to a working hook at 300 %%\n");
        Stop(&running);
        return;
    }
    const double atStart = PrivateMegabytes(running.process.process.get());
    const int shown = ShowEveryPicture(m_machine, running.main);
    std::printf(
        "private bytes at 300 %% with OsdSharp: %.2f MB after start, %.2f MB after %d keys showing every "
        "picture they show here\n",
        atStart, PrivateMegabytes(running.process.process.get()), shown);
    Stop(&running);
}

// One case: each floor's median and p99, the program's, and the program's
// ratio against each floor.
void PrintCase(const char* what, const std::vector<double>& pictureFloor, const std::vector<double>& wirelessFloor,
               const std::vector<double>& program) {
    if (pictureFloor.empty() || wirelessFloor.empty() || program.empty()) {
        std::printf("%-36s no samples\n", what);
        return;
    }
    const double pm = Percentile(program, 0.5), pp = Percentile(program, 0.99);
    std::printf("%-36s", what);
    for (const std::vector<double>* floor : {&pictureFloor, &wirelessFloor}) {
        const double fm = Percentile(*floor, 0.5), fp = Percentile(*floor, 0.99);
        std::printf("  %6.2f / %6.2f (x %4.2f / %4.2f)", fm, fp, pm / fm, pp / fp);
    }
    std::printf("  %6.2f / %6.2f  (%zu, %zu, %zu samples)\n", pm, pp, pictureFloor.size(), wirelessFloor.size(),
                program.size());
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const int rounds = argc > 1 ? std::max(1, _wtoi(argv[1])) : 30;
    const std::wstring bin = observe::ExecutableDir();
    Subject pictureFloor{"the picture floor", bin + L"osd_floor.exe", L"", L"VaskFloorOsdClass",
                         L"VaskHotkey floor OSD"};
    Subject wirelessFloor{"the wireless floor", bin + L"osd_floor.exe", L"wireless", L"VaskFloorOsdClass",
                          L"VaskHotkey floor OSD"};
    Subject program{"the program", bin + L"VaskHotkey.exe", L"", L"VaskHotkeyClass", L"Function_control_window"};
    Subject* subjects[] = {&pictureFloor, &wirelessFloor, &program};
    Bench bench;
    for (int round = 0; round < rounds; ++round) {
        // Turn about, so that none always runs on what another left warm.
        for (int i = 0; i < 3; ++i) {
            if (!bench.Round(*subjects[(round + i) % 3])) {
                return 1;
            }
        }
    }
    std::printf("%d rounds, each a start and %d presses per case; median / p99 in ms, and the program's ratio\n",
                rounds, kPressesPerCase);
    std::printf("%-36s  %-31s  %-31s  %s\n", "", "  picture floor (x program)", "  wireless floor (x program)",
                "  program");
    // Both floors start alike: together they are the start floor.
    std::vector<double> startFloor = pictureFloor.start;
    startFloor.insert(startFloor.end(), wirelessFloor.start.begin(), wirelessFloor.start.end());
    PrintCase("start to hotkey mode entered", startFloor, startFloor, program.start);
    PrintCase("key release to pixels, OSD hidden", pictureFloor.hidden, wirelessFloor.hidden, program.hidden);
    PrintCase("key release to pixels, OSD shown", pictureFloor.shown, wirelessFloor.shown, program.shown);
    // The first hidden press after a start shows a picture the program has
    // not shown before in that run, which it decodes then.
    PrintCase("  hidden, not the first after start", pictureFloor.hiddenAgain, wirelessFloor.hiddenAgain,
              program.hiddenAgain);
    for (const Subject* subject : subjects) {
        if (subject->lost > 0) {
            std::printf("presses without new pixels in %.0f ms: %s %d\n", kPixelTimeoutMs, subject->name,
                        subject->lost);
        }
    }
    bench.ProgramAlone(program);

    // The program sharp at 150 %, and the same figures at 100 % beside it.
    Subject sharp{"the program at 150 %", bin + L"VaskHotkey.exe", L"", L"VaskHotkeyClass", L"Function_control_window"};
    {
        const observe::ScopedRegistryValue logPixels(HKEY_CURRENT_USER, L"Control Panel\\Desktop", L"LogPixels",
                                                     REG_DWORD, observe::ScopedRegistryValue::Dword(144));
        const observe::ScopedRegistryValue setting(HKEY_CURRENT_USER, L"Software\\VaskHotkey", L"OsdSharp", REG_DWORD,
                                                   observe::ScopedRegistryValue::Dword(1));
        for (int round = 0; round < std::max(1, rounds / 3); ++round) {
            if (!bench.Round(sharp)) {
                return 1;
            }
        }
    }
    std::printf("key release to pixels with OsdSharp, median / p99 in ms   at 100 %%            at 150 %%\n");
    for (const auto& [what, at100, at150] :
         {std::tuple{"  first show of a picture after start", &program.firstShows, &sharp.firstShows},
          std::tuple{"  later shows, OSD hidden", &program.hiddenAgain, &sharp.hiddenAgain},
          std::tuple{"  later shows, OSD shown", &program.shown, &sharp.shown}}) {
        if (at100->empty() || at150->empty()) {
            std::printf("%-56s no samples\n", what);
            continue;
        }
        std::printf("%-56s %6.2f / %6.2f     %6.2f / %6.2f  (%zu, %zu samples)\n", what, Percentile(*at100, 0.5),
                    Percentile(*at100, 0.99), Percentile(*at150, 0.5), Percentile(*at150, 0.99), at100->size(),
                    at150->size());
    }
    if (sharp.lost > 0) {
        std::printf("presses without new pixels in %.0f ms at 150 %%: %d\n", kPixelTimeoutMs, sharp.lost);
    }
    bench.ProgramAtLargestScale(program);
    return 0;
}
