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
#include "sim/Fields.h"
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

// Memory in another process, read and written through `process`, which must
// outlive it; freed when this goes, unless it is left to that process.
class RemoteMemory {
public:
    RemoteMemory(HANDLE process, SIZE_T size)
        : m_process(process),
          m_address(::VirtualAllocEx(process, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE)) {}
    RemoteMemory(const RemoteMemory&) = delete;
    RemoteMemory& operator=(const RemoteMemory&) = delete;
    ~RemoteMemory() {
        if (m_address != nullptr) {
            ::VirtualFreeEx(m_process, m_address, 0, MEM_RELEASE);
        }
    }
    void* get() const { return m_address; }
    // The process keeps it: it may still read it after this one is done.
    void Leave() { m_address = nullptr; }

private:
    HANDLE m_process;
    void* m_address;
};

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
    RemoteMemory remote(process, sizeof(record));
    bool sent = false;
    bool answered = false;
    if (remote.get() != nullptr && ::WriteProcessMemory(process, remote.get(), record, sizeof(record), nullptr)) {
        sent = true;
        answered = sim::SendAsTheSystem(program.main, WM_POWERBROADCAST, PBT_POWERSETTINGCHANGE,
                                        reinterpret_cast<LPARAM>(remote.get()));
    }
    // A program that was sent the record and did not answer in time may still
    // read it later; one never sent it never will.
    if (sent && !answered) {
        remote.Leave();
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

// A section of the program's image that it writes (its global values), and
// where it lies in the program.
struct WritableSection {
    ULONG_PTR address;
    std::vector<BYTE> bytes;
};

std::vector<WritableSection> WritableData(HANDLE process) {
    std::vector<WritableSection> data;
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
        WritableSection& read = data.emplace_back();
        read.address = base + section.VirtualAddress;
        read.bytes.resize(section.Misc.VirtualSize);
        SIZE_T got = 0;
        ::ReadProcessMemory(process, reinterpret_cast<void*>(read.address), read.bytes.data(), read.bytes.size(), &got);
        read.bytes.resize(got);
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

namespace {

// Removes the hook whose handle the program keeps at `address`; true when it did.
bool DropHookAt(HANDLE process, ULONG_PTR address) {
    DWORD value = 0;
    if (!::ReadProcessMemory(process, reinterpret_cast<void*>(address), &value, sizeof(value), nullptr)) {
        return false;
    }
    const auto handle = reinterpret_cast<HHOOK>(static_cast<ULONG_PTR>(value));
    if (!MayBeUserHandle(value) || ::IsWindow(reinterpret_cast<HWND>(handle)) || !::UnhookWindowsHookEx(handle)) {
        return false;
    }
    std::printf("dropped VaskHotkey's keyboard hook 0x%08lx without telling it\n", static_cast<unsigned long>(value));
    return true;
}

// Removes the program's keyboard hook if it has one; true when it did, and
// `where` then holds the address the program keeps its hook's handle at.
// Windows removes a low-level hook whose thread misses the system's timeout,
// and tells nobody. Wine removes a hook for any process that names its handle
// exactly, generation and all, so the handle is looked for among the values
// the program keeps in its image: a value that is no live hook's handle is
// refused, and only the program's own hook handle is kept there.
bool DropProgramHook(HANDLE process, ULONG_PTR* where) {
    // The handle's place stays; looking there only is quick enough to take
    // a new hook away before its first key.
    if (*where != 0) {
        return DropHookAt(process, *where);
    }
    for (const WritableSection& section : WritableData(process)) {
        for (size_t at = 0; at + sizeof(DWORD) <= section.bytes.size(); at += sizeof(DWORD)) {
            DWORD value = 0;
            std::memcpy(&value, section.bytes.data() + at, sizeof(value));
            if (MayBeUserHandle(value) && DropHookAt(process, section.address + at)) {
                *where = section.address + at;
                return true;
            }
        }
    }
    return false;
}

}  // namespace

// `drop-hook --for SECONDS` keeps taking every hook the program installs away
// as soon as it is there: a hook the system never calls, as over a window of
// a higher integrity level.
int DropHookCommand(sim::Notebook&, const Args& args) {
    const bool keep = args.size() == 2 && args[0] == "--for";
    if (!args.empty() && !keep) {
        return Fail(kBadInput, "usage: notebook drop-hook [--for SECONDS]");
    }
    const int64_t seconds = keep ? sim::ParseInteger(args[1]).value_or(0) : 0;
    if (keep && (seconds < 1 || seconds > 3600)) {
        return Fail(kBadInput, "drop-hook --for takes 1 to 3600 seconds");
    }
    const sim::RunningProgram program = sim::FindRunningProgram();
    if (program.main == nullptr) {
        return Fail(kBadInput, "VaskHotkey is not running: there is no hook to drop");
    }
    const UniqueKernelHandle process(::OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, program.pid));
    if (!process) {
        return Fail(kFailed, "cannot look into VaskHotkey (error " + std::to_string(::GetLastError()) + ")");
    }
    ULONG_PTR where = 0;
    if (!keep) {
        return DropProgramHook(process.get(), &where) ? kOk : Fail(kFailed, "VaskHotkey has no keyboard hook to drop");
    }
    const ULONGLONG until = ::GetTickCount64() + static_cast<ULONGLONG>(seconds) * 1000;
    int dropped = 0;
    while (::GetTickCount64() < until) {
        dropped += DropProgramHook(process.get(), &where) ? 1 : 0;
        ::Sleep(2);
    }
    std::printf("dropped %d keyboard hooks of VaskHotkey in %lld s\n", dropped, static_cast<long long>(seconds));
    return kOk;
}
