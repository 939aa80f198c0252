#pragma once

// The simulated notebook behind the stand-in vendor libraries. There is one
// machine per log-on session: a named shared-memory block, backed by a file in
// the temporary folder so that it outlives the processes that use it, guarded
// by a named mutex. The program, the control tool and the tests all see the
// same volume, EC registers, display outputs, fault switches and call log.
//
// The environment variable VASK_NOTEBOOK, when set, names a separate machine;
// tests use it to stay clear of the notebook a developer is playing with.
//
// What the stand-ins answer (success is 1, failure 0):
//     KervoEvaluate   0x59 + [90]/[91]: hotkey mode on/off, output unused.
//                     0xb0 + [REG], output length 1: *output = ec[REG].
//                     Only the command's low byte counts. Input length must be 1.
//     ACPIEvalMethodEx "GOPS": Result = connected outputs, upper bytes cleared.
//                     "SOPS": active outputs = Argument, counted; refused when
//                     Argument is 0 or names an output that is not connected.
//     ControlMethod   "SGFC": counted; Result is left alone.
//     SetMuteVista    non-zero mutes. SetVolumnVista: 0..100, else refused.
//     WMI_GetBrightnessSetVista(i): level i for 0..7, else -1.
//     GetBatteryChargingDisable: *disabled = 0 or 1.
//     GetSystemPowerStatus: BatteryLifePercent = battery-charge, BatteryFlag =
//                     battery-flag (answered by the debugger, not a stand-in).
//     EnumDisplaySettingsW, current mode: the desktop's size times
//                     display-scale / 100 (answered by the debugger, unlogged).
//
// Call log text form: one line per call, no line end,
//
//     FUNCTION(ARGUMENTS) -> RESULT[ OUT]
//
// RESULT is the return value in signed decimal; OUT appears only when the
// call wrote an out-value. Per function:
//
//     KervoEvaluate(0x59, [90], 1, null, 0) -> 1
//     KervoEvaluate(0xb0, [bb], 1, out, 1) -> 1 out=[10]
//         command as 0x%02x (every hex digit when above 0xff); input bytes in
//         lower-case hex, at most 8 then " ..", "[]" for length 0, "null" for
//         a null pointer; input length; "out" or "null"; output length.
//     ACPIEvalMethodEx(GOPS, arg=0x00000000, res=0x000000ff) -> 1 res=0x0000000b
//     ControlMethod(SGFC, arg=0x00000000, res=0x00000000) -> 1
//         the four method letters (bytes outside printable ASCII as \xNN),
//         then Argument and the Result preset the caller gave;
//         "ACPIEvalMethodEx(null) -> 0" for a null request.
//     GetMuteVista() -> 0          SetMuteVista(1) -> 1
//     GetVolumnVista() -> 40       SetVolumnVista(60) -> 1
//     WMI_GetBrightnessVista() -> 60
//     WMI_GetBrightnessSetVista(3) -> 30
//     GetBatteryChargingDisable(out) -> 1 out=0     (or "(null) -> 0")
//     GetSystemPowerStatus(out) -> 1 out=charge 80, flag 0x01
//     Keyboard(0x28, hotkey mode off) -> 0 sent=F9 scan 0x43
//         an Fn key's scan code in hotkey mode, and the plain function key
//         the keyboard sent instead; logged only while out of hotkey mode.
//
// Fault switches, one per function (FunctionInfo says which apply):
//     refuse   answer failure (0; -1 for the two brightness calls), write
//              nothing, change nothing.
//     nowrite  answer success but write nothing: neither the caller's
//              out-value (output byte, Result, *disabled) nor the machine
//              (hotkey mode, active outputs, SGFC count, mute, volume).
//     range    answer the function's range value, which lies outside what the
//              function documents (see FunctionInfo::rangeMeaning).
//     stall    take stallMs milliseconds (0..kMaxStallMs), without holding the
//              notebook's lock, before answering as without a fault: a slow
//              service (a WMI query, a busy embedded controller).
// A switch may take only KervoEvaluate's calls with one command byte (a
// controller that refuses hotkey mode but still answers register reads), and
// only a number of calls, after which it is off by itself.
// Bad input (unknown command or method, wrong length, null pointer, volume
// outside 0..100, level index outside 0..7) fails whatever the switch says.

#include <windows.h>

#include "framework/Handles.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sim {

constexpr int kBrightnessLevelCount = 8;
constexpr int kEcRegisterCount = 256;
constexpr uint32_t kCallLogCapacity = 4096;
constexpr uint32_t kLoggedInputBytes = 8;

// Display output bits, as GOPS answers them and SOPS takes them.
constexpr uint32_t kOutputHdmi = 0x01;
constexpr uint32_t kOutputVga = 0x02;
constexpr uint32_t kOutputDisplayPort = 0x04;
constexpr uint32_t kOutputPanel = 0x08;
constexpr uint32_t kAllOutputs = 0x0F;

constexpr uint8_t kEcWirelessRegister = 0xBB;
constexpr uint8_t kEcWirelessBit = 0x10;

enum class Function : uint8_t {
    KervoEvaluate,
    ACPIEvalMethodEx,
    ControlMethod,
    GetMuteVista,
    SetMuteVista,
    GetVolumnVista,
    SetVolumnVista,
    WMI_GetBrightnessVista,
    WMI_GetBrightnessSetVista,
    GetBatteryChargingDisable,
    // Not a vendor function: the system's power status, which the program's
    // debugger answers from this notebook (tests/support/PowerStatusAnswer).
    GetSystemPowerStatus,
    // Not a function either: an Fn key pressed while the controller is out of
    // hotkey mode, which then sends a plain function key (notebook press).
    Keyboard,
};
constexpr int kFunctionCount = 12;

enum class Fault : uint8_t { None, Refuse, NoWrite, Range, Stall };

// Ten minutes: longer than any test waits, short enough to end by itself.
constexpr int64_t kMaxStallMs = 600000;

struct FaultSwitch {
    uint8_t fault;        // a Fault
    uint8_t onlyCommand;  // KervoEvaluate: 1 when the fault takes only `command`
    uint8_t command;      // the one command byte the fault takes
    uint8_t reserved;
    int32_t rangeValue;  // answered while fault is Range
    uint32_t stallMs;    // taken before each answer while fault is Stall
    uint32_t timesLeft;  // calls the fault still takes, then it is off; 0: until switched off
};

// Which calls a fault switch takes: all (the default), only KervoEvaluate's
// calls with one command byte, and only so many of them.
struct FaultScope {
    std::optional<uint8_t> command;
    uint32_t times = 0;  // 0: every call until switched off
};

struct State {
    int32_t volume;                                   // 0..100
    int32_t muted;                                    // 0 or 1
    int32_t brightnessLevels[kBrightnessLevelCount];  // strictly ascending, 0..100
    int32_t brightness;                               // 0..100
    uint8_t ec[kEcRegisterCount];
    uint32_t connectedOutputs;  // output bits plugged in
    uint32_t activeOutputs;     // output bits the last SOPS switched to
    int32_t hotkeyMode;         // 1 after 0x59/0x90, 0 after 0x59/0x91
    int32_t chargingDisabled;   // the BIOS flag, 0 or 1
    int32_t batteryCharge;      // as SYSTEM_POWER_STATUS.BatteryLifePercent: 0..100, 255 unknown
    int32_t batteryFlag;        // as SYSTEM_POWER_STATUS.BatteryFlag
    uint32_t sgfcRequests;
    uint32_t sopsCommits;
    // The display scaling the user chose, in percent: a program that declares
    // no DPI awareness is shown the desktop smaller by this much, while the
    // display mode stays the panel's (answered by the program's debugger).
    int32_t displayScale;
    FaultSwitch faults[kFunctionCount];
};

// Flags of a CallRecord.
namespace CallFlag {
constexpr uint8_t kInputNull = 0x01;   // KervoEvaluate input pointer was null
constexpr uint8_t kOutputNull = 0x02;  // output / request / *disabled pointer was null
constexpr uint8_t kOutWritten = 0x04;  // the call wrote `out`
}  // namespace CallFlag

// One call as the stand-in saw it. Fixed size: it lives in the shared block.
struct CallRecord {
    uint64_t seq;  // 1 for the first call after Reset
    uint32_t pid;  // calling process
    uint8_t function;
    uint8_t flags;
    uint8_t inputCount;  // bytes kept in input
    uint8_t reserved;
    // KervoEvaluate: command, input length, output length.
    // ACPIEvalMethodEx / ControlMethod: Argument, Result preset, unused.
    // Set*/WMI_GetBrightnessSetVista: the argument.
    uint32_t arg[3];
    uint8_t input[kLoggedInputBytes];
    char method[4];
    int32_t result;
    uint32_t out;  // output byte, Result or *disabled, when kOutWritten
};

struct CallLog {
    std::vector<CallRecord> records;  // oldest first
    uint64_t dropped = 0;             // calls pushed out of the ring since the last clear
};

// Every call counted per function since the last reset: the ring keeps only
// the newest kCallLogCapacity calls, a program's life makes millions.
struct CallTotals {
    uint64_t calls[kFunctionCount];
    // Calls made while the function's fault switch was on: faults taken.
    uint64_t faults[kFunctionCount];
};

struct FunctionInfo {
    Function function;
    const char* name;
    const char* library;
    bool canNoWrite;
    bool canRange;
    int32_t defaultRangeValue;
    const char* rangeMeaning;  // what the function answers under the range fault
};

const FunctionInfo& Info(Function f);
std::optional<Function> FunctionByName(std::string_view name);  // case-insensitive
const char* FaultName(Fault f);
std::optional<Fault> FaultByName(std::string_view name);

// Whether v may serve as f's range answer: it must lie outside what f documents.
bool RangeValueAllowed(Function f, int64_t v, std::string* why);

// The machine as a fresh one comes: defaults below, no faults.
State DefaultState();

// The text form documented above.
std::string FormatCall(const CallRecord& r);

// Name of the machine chosen by VASK_NOTEBOOK; "default" when unset.
std::wstring InstanceFromEnvironment();

class Notebook;

// Exclusive access to the machine for as long as it lives.
class Lock {
public:
    explicit Lock(Notebook& nb);
    ~Lock();
    Lock(const Lock&) = delete;
    Lock& operator=(const Lock&) = delete;

    explicit operator bool() const { return m_held; }
    State& state();

    // Appends a record for a call in progress, and counts it (and the fault
    // it takes, if its switch is on); filled in by the caller while the lock
    // is held, so readers never see half a call.
    // taken: the fault switch as this call takes it (counted when on).
    CallRecord& AppendCall(Function f, const FaultSwitch& taken = {});

private:
    Notebook& m_nb;
    bool m_held = false;
};

class Notebook {
public:
    explicit Notebook(std::wstring instance = InstanceFromEnvironment());
    ~Notebook();
    Notebook(const Notebook&) = delete;
    Notebook& operator=(const Notebook&) = delete;

    // Opens the machine, creating it with defaults when absent. Idempotent.
    bool Open();
    const std::string& LastError() const { return m_error; }
    const std::wstring& Instance() const { return m_instance; }
    std::wstring MappingName() const;
    std::wstring BackingFile() const;

    std::optional<State> ReadState();
    template <class F>
    bool Modify(F&& change) {
        Lock lock(*this);
        if (!lock) {
            return false;
        }
        change(lock.state());
        return true;
    }

    // Defaults, no faults, empty call log with the sequence starting over.
    bool Reset();
    // value: the range answer with Range (the function's default without it),
    // the milliseconds with Stall (required); no other fault takes one.
    bool SetFault(Function f, Fault fault, std::optional<int64_t> value = std::nullopt, FaultScope scope = {});
    std::optional<CallLog> ReadCallLog();
    std::optional<CallTotals> ReadCallTotals();
    std::optional<std::vector<std::string>> CallLogText();
    // Empties the ring; the totals go on.
    bool ClearCallLog();

    // Closes this handle and deletes the backing file: for machines made for a
    // single test run. Processes that still have it open go on using it; the
    // next Open after everyone closed it starts a fresh machine.
    bool Discard();

private:
    friend class Lock;
    struct Block;

    bool Acquire();
    void Release();
    void InitialiseIfStale();
    void Close();

    std::wstring m_instance;
    // In the order they are opened: they close the other way round.
    UniqueKernelHandle m_mutex;
    UniqueKernelHandle m_file;
    UniqueKernelHandle m_mapping;
    UniqueMappedView<Block> m_block;
    std::string m_error;
};

// The notebook of this process, opened on first use; the stand-ins use it.
Notebook& ProcessNotebook();

}  // namespace sim
