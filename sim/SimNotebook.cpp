#include "sim/SimNotebook.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <limits>

namespace sim {

namespace {

constexpr uint32_t kMagic = 0x4E4B5356;  // "VSKN"
// Bump with every change of Block or what it holds; it is part of the names too,
// so an old build's block is never mapped with the new layout.
constexpr uint32_t kLayoutVersion = 2;
// A stand-in call is on the program's UI thread: never hang it on a stuck peer.
constexpr DWORD kLockTimeoutMs = 5000;

// In Function's order: Info() indexes it by the enum's value.
const FunctionInfo kFunctions[kFunctionCount] = {
    {Function::KervoEvaluate, "KervoEvaluate", "Kervo.dll", true, true, 0xFF,
     "EC read (0xb0) writes the range value as the byte instead of the register; "
     "hotkey mode works as usual"},
    {Function::ACPIEvalMethodEx, "ACPIEvalMethodEx", "Kervo.dll", true, true, 0x1F0,
     "GOPS writes the range value as the whole Result; SOPS works as usual"},
    {Function::ControlMethod, "ControlMethod", "Kervo.dll", true, false, 0, "-"},
    {Function::GetMuteVista, "GetMuteVista", "Quellomar.dll", false, true, 2,
     "returns the range value instead of 0/1"},
    {Function::SetMuteVista, "SetMuteVista", "Quellomar.dll", true, false, 0, "-"},
    {Function::GetVolumnVista, "GetVolumnVista", "Quellomar.dll", false, true, 250,
     "returns the range value instead of 0..100"},
    {Function::SetVolumnVista, "SetVolumnVista", "Quellomar.dll", true, false, 0, "-"},
    {Function::WMI_GetBrightnessVista, "WMI_GetBrightnessVista", "Quellomar.dll", false, true,
     150, "returns the range value instead of 0..100"},
    {Function::WMI_GetBrightnessSetVista, "WMI_GetBrightnessSetVista", "Quellomar.dll", false,
     true, 150, "returns the range value for a valid index instead of the level"},
    {Function::GetBatteryChargingDisable, "GetBatteryChargingDisable", "Brantisol.dll", true,
     true, 2, "writes the range value to *disabled instead of 0/1"},
    {Function::GetSystemPowerStatus, "GetSystemPowerStatus", "kernel32.dll", false, false, 0, "-"},
};

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i])) {
            return false;
        }
    }
    return true;
}

std::string Hex32(uint32_t v) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%08x", static_cast<unsigned>(v));
    return buf;
}

// The letters come from the caller's memory: anything may be there, and the
// log line must stay one printable line.
std::string MethodText(const char (&m)[4]) {
    std::string s;
    for (char c : m) {
        const auto u = static_cast<unsigned char>(c);
        if (u >= 0x20 && u < 0x7F && c != '\\') {
            s += c;
        } else {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\x%02x", u);
            s += buf;
        }
    }
    return s;
}

std::string WinErrorText(const char* what) {
    char buf[96];
    std::snprintf(buf, sizeof buf, "%s failed (error %lu)", what, GetLastError());
    return buf;
}

} // namespace

// The shared block as it lies in the file. Fixed-width fields only and no
// pointers, so that 32- and 64-bit processes agree on every offset.
struct Notebook::Block {
    uint32_t magic;
    uint32_t version;
    uint32_t size;
    uint32_t reserved;
    State state;
    uint64_t nextSeq;   // sequence number of the next call
    uint64_t firstSeq;  // first sequence number since the log was last cleared
    CallRecord ring[kCallLogCapacity];
};

static_assert(sizeof(CallRecord) == 48, "CallRecord is shared between 32- and 64-bit builds");

const FunctionInfo& Info(Function f) {
    return kFunctions[static_cast<int>(f)];
}

std::optional<Function> FunctionByName(std::string_view name) {
    for (const FunctionInfo& info : kFunctions) {
        if (EqualsIgnoringCase(name, info.name)) {
            return info.function;
        }
    }
    return std::nullopt;
}

const char* FaultName(Fault f) {
    switch (f) {
    case Fault::None: return "none";
    case Fault::Refuse: return "refuse";
    case Fault::NoWrite: return "nowrite";
    case Fault::Range: return "range";
    }
    return "?";
}

std::optional<Fault> FaultByName(std::string_view name) {
    for (Fault f : {Fault::None, Fault::Refuse, Fault::NoWrite, Fault::Range}) {
        if (EqualsIgnoringCase(name, FaultName(f))) {
            return f;
        }
    }
    return std::nullopt;
}

bool RangeValueAllowed(Function f, int64_t v, std::string* why) {
    const auto fail = [&](const char* text) {
        if (why) {
            *why = std::string(Info(f).name) + ": " + text;
        }
        return false;
    };
    const int64_t kMin32 = std::numeric_limits<int32_t>::min();
    const int64_t kMax32 = std::numeric_limits<int32_t>::max();
    // Each function documents a range; its range answer must lie outside it,
    // or the fault would be indistinguishable from a healthy answer.
    switch (f) {
    case Function::KervoEvaluate:
        // Every byte is a possible register value; the tool picks which bits it sets.
        return v >= 0 && v <= 0xFF ? true : fail("the range answer is an EC byte, 0..0xff");
    case Function::ACPIEvalMethodEx:
        if (v < 0 || v > 0xFFFFFFFFLL) {
            return fail("the range answer is a 32-bit Result, 0..0xffffffff");
        }
        return (v & ~int64_t{kAllOutputs}) != 0
                   ? true
                   : fail("the range answer must set a bit outside the outputs 0x0f");
    case Function::GetMuteVista:
    case Function::GetBatteryChargingDisable:
        if (v < kMin32 || v > kMax32) {
            return fail("the range answer is a 32-bit signed value");
        }
        return v != 0 && v != 1 ? true : fail("the range answer must be other than 0 and 1");
    case Function::GetVolumnVista:
        if (v < kMin32 || v > kMax32) {
            return fail("the range answer is a 32-bit signed value");
        }
        return v < 0 || v > 100 ? true : fail("the range answer must lie outside 0..100");
    case Function::WMI_GetBrightnessVista:
    case Function::WMI_GetBrightnessSetVista:
        // Negative brightness answers mean refusal, which is the refuse switch.
        return v > 100 && v <= kMax32 ? true
                                      : fail("the range answer must be above 100 (negative "
                                             "answers are refusals: use refuse)");
    default:
        return fail("answers no value, so range does not apply");
    }
}

State DefaultState() {
    State s{};
    s.volume = 40;
    s.muted = 0;
    const int32_t levels[kBrightnessLevelCount] = {5, 10, 20, 30, 45, 60, 80, 100};
    std::copy(std::begin(levels), std::end(levels), s.brightnessLevels);
    s.brightness = 60;
    s.ec[kEcWirelessRegister] = kEcWirelessBit;
    s.connectedOutputs = kOutputPanel | kOutputVga | kOutputHdmi;
    s.activeOutputs = kOutputPanel;
    s.hotkeyMode = 0;
    s.chargingDisabled = 0;
    s.batteryCharge = 80;
    s.batteryFlag = 1;  // high
    for (const FunctionInfo& info : kFunctions) {
        FaultSwitch& fs = s.faults[static_cast<int>(info.function)];
        fs.fault = static_cast<uint8_t>(Fault::None);
        fs.rangeValue = info.defaultRangeValue;
    }
    return s;
}

std::string FormatCall(const CallRecord& r) {
    const auto f = static_cast<Function>(r.function);
    // Only a corrupted block holds such a record; show it rather than index past the table.
    if (r.function >= kFunctionCount) {
        return "?(" + std::to_string(r.function) + ")";
    }
    std::string s = Info(f).name;
    const bool outNull = (r.flags & CallFlag::kOutputNull) != 0;
    const bool written = (r.flags & CallFlag::kOutWritten) != 0;
    std::string out;
    char buf[64];
    switch (f) {
    case Function::KervoEvaluate: {
        std::snprintf(buf, sizeof buf, "(0x%02x, ", static_cast<unsigned>(r.arg[0]));
        s += buf;
        if (r.flags & CallFlag::kInputNull) {
            s += "null";
        } else {
            s += '[';
            for (uint8_t i = 0; i < r.inputCount; ++i) {
                std::snprintf(buf, sizeof buf, i ? " %02x" : "%02x", r.input[i]);
                s += buf;
            }
            if (r.arg[1] > r.inputCount) {
                s += " ..";
            }
            s += ']';
        }
        std::snprintf(buf, sizeof buf, ", %lu, %s, %lu)", static_cast<unsigned long>(r.arg[1]),
                      outNull ? "null" : "out", static_cast<unsigned long>(r.arg[2]));
        s += buf;
        if (written) {
            std::snprintf(buf, sizeof buf, " out=[%02x]", static_cast<unsigned>(r.out & 0xFF));
            out = buf;
        }
        break;
    }
    case Function::ACPIEvalMethodEx:
    case Function::ControlMethod:
        if (outNull) {
            s += "(null)";
        } else {
            s += "(" + MethodText(r.method) + ", arg=" + Hex32(r.arg[0]) + ", res=" +
                 Hex32(r.arg[1]) + ")";
        }
        if (written) {
            out = " res=" + Hex32(r.out);
        }
        break;
    case Function::SetMuteVista:
    case Function::SetVolumnVista:
    case Function::WMI_GetBrightnessSetVista:
        s += "(" + std::to_string(static_cast<int32_t>(r.arg[0])) + ")";
        break;
    case Function::GetBatteryChargingDisable:
        s += outNull ? "(null)" : "(out)";
        if (written) {
            out = " out=" + std::to_string(static_cast<int32_t>(r.out));
        }
        break;
    case Function::GetSystemPowerStatus:
        // out: the charge in the low byte, the flag in the next.
        s += "(out)";
        if (written) {
            char text[40];
            std::snprintf(text, sizeof text, " out=charge %u, flag 0x%02x", static_cast<unsigned>(r.out & 0xFF),
                          static_cast<unsigned>((r.out >> 8) & 0xFF));
            out = text;
        }
        break;
    default:
        s += "()";
        break;
    }
    return s + " -> " + std::to_string(r.result) + out;
}

std::wstring InstanceFromEnvironment() {
    // A name that does not fit is treated as unset rather than cut to another name.
    wchar_t buf[64];
    const DWORD n = GetEnvironmentVariableW(L"VASK_NOTEBOOK", buf, 64);
    if (n == 0 || n >= 64) {
        return L"default";
    }
    return std::wstring(buf, n);
}

Lock::Lock(Notebook& nb) : m_nb(nb) {
    m_held = m_nb.Acquire();
}

Lock::~Lock() {
    if (m_held) {
        m_nb.Release();
    }
}

State& Lock::state() {
    return m_nb.m_block->state;
}

CallRecord& Lock::AppendCall(Function f) {
    Notebook::Block& b = *m_nb.m_block;
    // The oldest record gives way; ReadCallLog counts it as dropped.
    CallRecord& r = b.ring[b.nextSeq % kCallLogCapacity];
    r = CallRecord{};
    r.seq = b.nextSeq++;
    r.pid = GetCurrentProcessId();
    r.function = static_cast<uint8_t>(f);
    return r;
}

Notebook::Notebook(std::wstring instance) : m_instance(std::move(instance)) {
    // The name becomes part of kernel object and file names.
    for (wchar_t& c : m_instance) {
        const bool ok = (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') ||
                        (c >= L'0' && c <= L'9') || c == L'-' || c == L'_' || c == L'.';
        if (!ok) {
            c = L'_';
        }
    }
    if (m_instance.empty()) {
        m_instance = L"default";
    }
}

Notebook::~Notebook() {
    Close();
}

void Notebook::Close() {
    if (m_block) {
        UnmapViewOfFile(m_block);
        m_block = nullptr;
    }
    for (HANDLE* handle : {&m_mapping, &m_file, &m_mutex}) {
        if (*handle) {
            CloseHandle(*handle);
            *handle = nullptr;
        }
    }
}

bool Notebook::Discard() {
    Close();
    if (!DeleteFileW(BackingFile().c_str()) && GetLastError() != ERROR_FILE_NOT_FOUND) {
        m_error = WinErrorText("DeleteFile of the notebook's backing file");
        return false;
    }
    return true;
}

std::wstring Notebook::MappingName() const {
    return L"VaskNotebook." + m_instance + L".v" + std::to_wstring(kLayoutVersion);
}

// In the temporary folder: per user (a log-on session's machine), and under
// Wine per prefix, which is per build tree.
std::wstring Notebook::BackingFile() const {
    wchar_t dir[MAX_PATH + 1];
    const DWORD n = GetTempPathW(MAX_PATH + 1, dir);
    std::wstring path = n && n <= MAX_PATH ? std::wstring(dir, n) : std::wstring(L".\\");
    return path + MappingName() + L".bin";
}

bool Notebook::Open() {
    if (m_block) {
        return true;
    }
    if (!m_mutex) {
        const std::wstring lockName = L"VaskNotebook." + m_instance + L".Lock";
        m_mutex = CreateMutexW(nullptr, FALSE, lockName.c_str());
        if (!m_mutex) {
            m_error = WinErrorText("CreateMutex");
            return false;
        }
    }
    const DWORD w = WaitForSingleObject(m_mutex, kLockTimeoutMs);
    if (w != WAIT_OBJECT_0 && w != WAIT_ABANDONED) {
        m_error = "the notebook's lock is held elsewhere";
        return false;
    }
    // Under the lock so that two first users agree on one file and one mapping.
    bool ok = false;
    m_file = CreateFileW(BackingFile().c_str(), GENERIC_READ | GENERIC_WRITE,
                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (m_file == INVALID_HANDLE_VALUE) {
        m_error = WinErrorText("CreateFile of the notebook's backing file");
        m_file = nullptr;
    } else {
        m_mapping = CreateFileMappingW(m_file, nullptr, PAGE_READWRITE, 0, sizeof(Block),
                                       MappingName().c_str());
        if (!m_mapping) {
            m_error = WinErrorText("CreateFileMapping");
        } else {
            m_block = static_cast<Block*>(
                MapViewOfFile(m_mapping, FILE_MAP_READ | FILE_MAP_WRITE, 0, 0, sizeof(Block)));
            if (!m_block) {
                m_error = WinErrorText("MapViewOfFile");
            } else {
                InitialiseIfStale();
                ok = true;
            }
        }
    }
    ReleaseMutex(m_mutex);
    if (!ok) {
        // Leave nothing half open for the next attempt to trip over.
        if (m_mapping) {
            CloseHandle(m_mapping);
            m_mapping = nullptr;
        }
        if (m_file) {
            CloseHandle(m_file);
            m_file = nullptr;
        }
    }
    return ok;
}

void Notebook::InitialiseIfStale() {
    Block& b = *m_block;
    if (b.magic == kMagic && b.version == kLayoutVersion && b.size == sizeof(Block)) {
        return;
    }
    b.state = DefaultState();
    b.nextSeq = 1;
    b.firstSeq = 1;
    b.size = sizeof(Block);
    b.version = kLayoutVersion;
    b.magic = kMagic;
}

bool Notebook::Acquire() {
    if (!Open()) {
        return false;
    }
    // An abandoned lock means a process died mid-call; the state is still
    // whole enough to go on with, and refusing would wedge every later call.
    const DWORD w = WaitForSingleObject(m_mutex, kLockTimeoutMs);
    if (w != WAIT_OBJECT_0 && w != WAIT_ABANDONED) {
        m_error = "the notebook's lock is held elsewhere";
        return false;
    }
    // Someone may have scribbled over the header (or an old build left it).
    InitialiseIfStale();
    return true;
}

void Notebook::Release() {
    ReleaseMutex(m_mutex);
}

std::optional<State> Notebook::ReadState() {
    Lock lock(*this);
    if (!lock) {
        return std::nullopt;
    }
    return lock.state();
}

bool Notebook::Reset() {
    Lock lock(*this);
    if (!lock) {
        return false;
    }
    // A fresh machine is exactly what a stale one becomes.
    m_block->magic = 0;
    InitialiseIfStale();
    return true;
}

bool Notebook::SetFault(Function f, Fault fault, std::optional<int64_t> rangeValue) {
    const FunctionInfo& info = Info(f);
    if (fault == Fault::NoWrite && !info.canNoWrite) {
        m_error = std::string(info.name) +
                  " writes nothing (its answer is the return value), so nowrite does not apply";
        return false;
    }
    if (fault == Fault::Range && !info.canRange) {
        m_error = std::string(info.name) + " answers no value, so range does not apply";
        return false;
    }
    if (rangeValue) {
        if (fault != Fault::Range) {
            m_error = "a value goes with the range fault only";
            return false;
        }
        if (!RangeValueAllowed(f, *rangeValue, &m_error)) {
            return false;
        }
    }
    Lock lock(*this);
    if (!lock) {
        return false;
    }
    FaultSwitch& fs = lock.state().faults[static_cast<int>(f)];
    fs.fault = static_cast<uint8_t>(fault);
    if (rangeValue) {
        fs.rangeValue = static_cast<int32_t>(static_cast<uint32_t>(*rangeValue));
    } else if (fault == Fault::None) {
        fs.rangeValue = info.defaultRangeValue;
    }
    return true;
}

std::optional<CallLog> Notebook::ReadCallLog() {
    Lock lock(*this);
    if (!lock) {
        return std::nullopt;
    }
    const Block& b = *m_block;
    CallLog log;
    // Sequence numbers are never reused, so the ring slot of each follows from it.
    const uint64_t total = b.nextSeq - b.firstSeq;
    const uint64_t kept = std::min<uint64_t>(total, kCallLogCapacity);
    log.dropped = total - kept;
    log.records.reserve(static_cast<size_t>(kept));
    for (uint64_t seq = b.nextSeq - kept; seq < b.nextSeq; ++seq) {
        log.records.push_back(b.ring[seq % kCallLogCapacity]);
    }
    return log;
}

std::optional<std::vector<std::string>> Notebook::CallLogText() {
    const std::optional<CallLog> log = ReadCallLog();
    if (!log) {
        return std::nullopt;
    }
    std::vector<std::string> lines;
    lines.reserve(log->records.size());
    for (const CallRecord& r : log->records) {
        lines.push_back(FormatCall(r));
    }
    return lines;
}

bool Notebook::ClearCallLog() {
    Lock lock(*this);
    if (!lock) {
        return false;
    }
    // The sequence goes on, so records before and after a clear never share a number.
    m_block->firstSeq = m_block->nextSeq;
    return true;
}

Notebook& ProcessNotebook() {
    static Notebook notebook;
    // Opened within the thread-safe static initialisation: two threads making
    // their first call at once must not both open it.
    static const bool opened = notebook.Open();
    (void)opened;
    return notebook;
}

} // namespace sim
