// The notebook's day as the running program meets it. Windows sends sleep and
// wake to every top-level window; a Modern Standby machine sends neither, only
// the console display going off and on, to the windows that asked for it, as
// lock and unlock go to the windows that asked for those. Under Wine nothing
// sends any of them, so these commands do, as Windows would.
#include "sim/NotebookLife.h"

#include <windows.h>
#include <psapi.h>
#include <wtsapi32.h>

#include <cstdio>
#include <cstring>

#include "framework/Handles.h"
#include "sim/ProgramWindows.h"
#include "sim/ToolArguments.h"

namespace {

using Args = std::vector<std::string>;

using tool::Fail;
using tool::kBadInput;
using tool::kFailed;
using tool::kOk;

// The two states of the console display (GUID_CONSOLE_DISPLAY_STATE, whose
// one definition is the system's, in libuuid) that matter here.
constexpr DWORD kDisplayOff = 0;
constexpr DWORD kDisplayOn = 1;

// "--modern" or nothing; false (after the usage line) for anything else.
bool ModernOnly(const Args& args, const char* command, bool* modern) {
    *modern = args.size() == 1 && args[0] == "--modern";
    if (!args.empty() && !*modern) {
        Fail(kBadInput, std::string("usage: notebook ") + command + " [--modern]");
        return false;
    }
    return true;
}

// To every top-level window of the program; the number of windows told.
int Broadcast(const sim::RunningProgram& program, UINT message, WPARAM wParam, LPARAM lParam) {
    int told = 0;
    for (HWND window : sim::TopLevelWindowsOf(program.pid)) {
        told += sim::SendAsTheSystem(window, message, wParam, lParam) ? 1 : 0;
    }
    return told;
}

// The console display's new state, as the system's power-setting
// notification carries it: its record lies in the receiver's memory.
bool SendDisplayState(const sim::RunningProgram& program, DWORD state) {
    const UniqueKernelHandle opened(::OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_WRITE, FALSE, program.pid));
    const HANDLE process = opened.get();
    if (process == nullptr) {
        return false;
    }
    BYTE record[sizeof(POWERBROADCAST_SETTING) + sizeof(DWORD)] = {};
    auto* setting = reinterpret_cast<POWERBROADCAST_SETTING*>(record);
    setting->PowerSetting = GUID_CONSOLE_DISPLAY_STATE;
    setting->DataLength = sizeof(DWORD);
    std::memcpy(setting->Data, &state, sizeof(DWORD));
    void* remote = ::VirtualAllocEx(process, nullptr, sizeof(record), MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    bool answered = false;
    if (remote != nullptr && ::WriteProcessMemory(process, remote, record, sizeof(record), nullptr)) {
        answered = sim::SendAsTheSystem(program.main, WM_POWERBROADCAST, PBT_POWERSETTINGCHANGE,
                                        reinterpret_cast<LPARAM>(remote));
    }
    // A program that did not answer in time may still read it later.
    if (remote != nullptr && answered) {
        ::VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    }
    return answered;
}

void ForgetHotkeyMode(sim::Notebook& nb) {
    nb.Modify([](sim::State& s) { s.hotkeyMode = 0; });
}

int NotAnswered(const char* what) {
    return Fail(kFailed, std::string("VaskHotkey did not answer ") + what + " within the system's 5 s");
}

}  // namespace

int SleepCommand(sim::Notebook& nb, const Args& args) {
    bool modern = false;
    if (!ModernOnly(args, "sleep", &modern)) {
        return kBadInput;
    }
    if (!nb.Open()) {
        return Fail(kFailed, "cannot reach the notebook: " + nb.LastError());
    }
    const sim::RunningProgram program = sim::FindRunningProgram();
    bool answered = true;
    if (program.main == nullptr) {
        std::printf("VaskHotkey is not running: no window to tell\n");
    } else if (modern) {
        answered = SendDisplayState(program, kDisplayOff);
        std::printf("told VaskHotkey the console display is off\n");
    } else {
        std::printf("told %d windows of VaskHotkey the notebook suspends\n",
                    Broadcast(program, WM_POWERBROADCAST, PBT_APMSUSPEND, 0));
    }
    // Asleep, the controller loses what it was told: hotkey mode among it.
    ForgetHotkeyMode(nb);
    std::printf("the controller left hotkey mode\n");
    return answered ? kOk : NotAnswered("the display going off");
}

int WakeCommand(sim::Notebook&, const Args& args) {
    bool modern = false;
    if (!ModernOnly(args, "wake", &modern)) {
        return kBadInput;
    }
    const sim::RunningProgram program = sim::FindRunningProgram();
    if (program.main == nullptr) {
        std::printf("VaskHotkey is not running: no window to tell\n");
        return kOk;
    }
    if (modern) {
        if (!SendDisplayState(program, kDisplayOn)) {
            return NotAnswered("the display coming on");
        }
        std::printf("told VaskHotkey the console display is on\n");
        return kOk;
    }
    // Every resume brings the first; a resume the user made brings the second after it.
    const int automatic = Broadcast(program, WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, 0);
    const int byUser = Broadcast(program, WM_POWERBROADCAST, PBT_APMRESUMESUSPEND, 0);
    std::printf("told %d windows of VaskHotkey the notebook resumed, and %d that the user is back\n", automatic,
                byUser);
    return kOk;
}

namespace {

// The session change, to the main window: the one that asked for such news.
int SessionChange(const Args& args, const char* command, WPARAM change) {
    if (!args.empty()) {
        return Fail(kBadInput, std::string("usage: notebook ") + command);
    }
    const sim::RunningProgram program = sim::FindRunningProgram();
    if (program.main == nullptr) {
        std::printf("VaskHotkey is not running: no window to tell\n");
        return kOk;
    }
    DWORD session = 0;
    ::ProcessIdToSessionId(program.pid, &session);
    if (!sim::SendAsTheSystem(program.main, WM_WTSSESSION_CHANGE, change, session)) {
        return NotAnswered(command);
    }
    std::printf("told VaskHotkey the session was %sed\n", command);
    return kOk;
}

}  // namespace

int LockCommand(sim::Notebook&, const Args& args) { return SessionChange(args, "lock", WTS_SESSION_LOCK); }

int UnlockCommand(sim::Notebook&, const Args& args) { return SessionChange(args, "unlock", WTS_SESSION_UNLOCK); }

namespace {

// The sections of the program's image that it writes: its global values.
std::vector<BYTE> WritableData(HANDLE process) {
    std::vector<BYTE> data;
    HMODULE image = nullptr;
    DWORD needed = 0;
    if (!::EnumProcessModules(process, &image, sizeof(image), &needed) || image == nullptr) {
        return data;
    }
    const auto base = reinterpret_cast<ULONG_PTR>(image);
    IMAGE_DOS_HEADER dos{};
    IMAGE_NT_HEADERS nt{};
    if (!::ReadProcessMemory(process, image, &dos, sizeof(dos), nullptr) ||
        !::ReadProcessMemory(process, reinterpret_cast<void*>(base + dos.e_lfanew), &nt, sizeof(nt), nullptr)) {
        return data;
    }
    const ULONG_PTR sections =
        base + dos.e_lfanew + offsetof(IMAGE_NT_HEADERS, OptionalHeader) + nt.FileHeader.SizeOfOptionalHeader;
    for (WORD i = 0; i < nt.FileHeader.NumberOfSections; ++i) {
        IMAGE_SECTION_HEADER section{};
        if (!::ReadProcessMemory(process, reinterpret_cast<void*>(sections + i * sizeof(section)), &section,
                                 sizeof(section), nullptr) ||
            (section.Characteristics & IMAGE_SCN_MEM_WRITE) == 0) {
            continue;
        }
        std::vector<BYTE> bytes(section.Misc.VirtualSize);
        SIZE_T got = 0;
        ::ReadProcessMemory(process, reinterpret_cast<void*>(base + section.VirtualAddress), bytes.data(),
                            bytes.size(), &got);
        data.insert(data.end(), bytes.begin(), bytes.begin() + static_cast<long>(got));
    }
    return data;
}

// A value that may be a live user handle as Wine makes them: an even index
// from 0x20 up in the low word, a generation in the high one.
bool MayBeUserHandle(DWORD value) {
    const DWORD index = value & 0xFFFF;
    const DWORD generation = value >> 16;
    return index >= 0x20 && (index & 1) == 0 && generation != 0 && generation != 0xFFFF;
}

}  // namespace

// Windows removes a low-level hook whose thread misses the system's timeout,
// and tells nobody. Wine removes a hook for any process that names its handle
// exactly, generation and all, so the handle is looked for among the values
// the program keeps in its image: a value that is no live hook's handle is
// refused, and only the program's own hook handle is kept there.
int DropHookCommand(sim::Notebook&, const Args& args) {
    if (!args.empty()) {
        return Fail(kBadInput, "usage: notebook drop-hook");
    }
    const sim::RunningProgram program = sim::FindRunningProgram();
    if (program.main == nullptr) {
        return Fail(kBadInput, "VaskHotkey is not running: there is no hook to drop");
    }
    const UniqueKernelHandle process(::OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, program.pid));
    if (!process) {
        return Fail(kFailed, "cannot look into VaskHotkey (error " + std::to_string(::GetLastError()) + ")");
    }
    const std::vector<BYTE> data = WritableData(process.get());
    for (size_t at = 0; at + sizeof(DWORD) <= data.size(); at += sizeof(DWORD)) {
        DWORD value = 0;
        std::memcpy(&value, data.data() + at, sizeof(value));
        const auto handle = reinterpret_cast<HHOOK>(static_cast<ULONG_PTR>(value));
        if (MayBeUserHandle(value) && !::IsWindow(reinterpret_cast<HWND>(handle)) && ::UnhookWindowsHookEx(handle)) {
            std::printf("dropped VaskHotkey's keyboard hook 0x%08lx without telling it\n",
                        static_cast<unsigned long>(value));
            return kOk;
        }
    }
    return Fail(kFailed, "VaskHotkey has no keyboard hook to drop");
}
