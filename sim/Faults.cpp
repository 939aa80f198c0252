// The stand-in functions the notebook knows and the faults each can be
// switched to.
#include "sim/SimNotebook.h"

#include <limits>

namespace sim {

namespace {

// In Function's order: Info() indexes it by the enum's value.
const FunctionInfo kFunctions[kFunctionCount] = {
    {Function::KervoEvaluate, "KervoEvaluate", "Kervo.dll", true, true, 0xFF,
     "EC read (0xb0) writes the range value as the byte instead of the register; "
     "hotkey mode works as usual"},
    {Function::ACPIEvalMethodEx, "ACPIEvalMethodEx", "Kervo.dll", true, true, 0x1F0,
     "GOPS writes the range value as the whole Result; SOPS works as usual"},
    {Function::ControlMethod, "ControlMethod", "Kervo.dll", true, false, 0, "-"},
    {Function::GetMuteVista, "GetMuteVista", "Quellomar.dll", false, true, 2, "returns the range value instead of 0/1"},
    {Function::SetMuteVista, "SetMuteVista", "Quellomar.dll", true, false, 0, "-"},
    {Function::GetVolumnVista, "GetVolumnVista", "Quellomar.dll", false, true, 250,
     "returns the range value instead of 0..100"},
    {Function::SetVolumnVista, "SetVolumnVista", "Quellomar.dll", true, false, 0, "-"},
    {Function::WMI_GetBrightnessVista, "WMI_GetBrightnessVista", "Quellomar.dll", false, true, 150,
     "returns the range value instead of 0..100"},
    {Function::WMI_GetBrightnessSetVista, "WMI_GetBrightnessSetVista", "Quellomar.dll", false, true, 150,
     "returns the range value for a valid index instead of the level"},
    {Function::GetBatteryChargingDisable, "GetBatteryChargingDisable", "Brantisol.dll", true, true, 2,
     "writes the range value to *disabled instead of 0/1"},
    {Function::GetSystemPowerStatus, "GetSystemPowerStatus", "kernel32.dll", false, false, 0, "-"},
    {Function::Keyboard, "Keyboard", "the notebook's keyboard", false, false, 0, "-"},
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

}  // namespace

const FunctionInfo& Info(Function f) { return kFunctions[static_cast<int>(f)]; }

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
    case Fault::None:
        return "none";
    case Fault::Refuse:
        return "refuse";
    case Fault::NoWrite:
        return "nowrite";
    case Fault::Range:
        return "range";
    case Fault::Stall:
        return "stall";
    }
    return "?";
}

std::optional<Fault> FaultByName(std::string_view name) {
    for (Fault f : {Fault::None, Fault::Refuse, Fault::NoWrite, Fault::Range, Fault::Stall}) {
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
        return (v & ~int64_t{kAllOutputs}) != 0 ? true
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
                                      : fail(
                                            "the range answer must be above 100 (negative "
                                            "answers are refusals: use refuse)");
    default:
        return fail("answers no value, so range does not apply");
    }
}

bool Notebook::SetFault(Function f, Fault fault, std::optional<int64_t> value, FaultScope scope) {
    const FunctionInfo& info = Info(f);
    if (scope.command && f != Function::KervoEvaluate) {
        m_error = std::string(info.name) + " takes no command byte, so --command does not apply";
        return false;
    }
    if ((scope.command || scope.times != 0) && fault == Fault::None) {
        m_error = "none switches a fault off: --command and --times go with a fault";
        return false;
    }
    if (f == Function::Keyboard && fault != Fault::None) {
        m_error = "the keyboard is no function and takes no fault";
        return false;
    }
    if (fault == Fault::NoWrite && !info.canNoWrite) {
        m_error =
            std::string(info.name) + " writes nothing (its answer is the return value), so nowrite does not apply";
        return false;
    }
    if (fault == Fault::Range && !info.canRange) {
        m_error = std::string(info.name) + " answers no value, so range does not apply";
        return false;
    }
    if (fault == Fault::Stall) {
        if (!value) {
            m_error = "stall needs its length in milliseconds";
            return false;
        }
        if (*value < 0 || *value > kMaxStallMs) {
            m_error = "a stall lasts 0 to " + std::to_string(kMaxStallMs) + " ms, not " + std::to_string(*value);
            return false;
        }
    } else if (value) {
        if (fault != Fault::Range) {
            m_error = "a value goes with the range and stall faults only";
            return false;
        }
        if (!RangeValueAllowed(f, *value, &m_error)) {
            return false;
        }
    }
    Lock lock(*this);
    if (!lock) {
        return false;
    }
    FaultSwitch& fs = lock.state().faults[static_cast<int>(f)];
    fs.fault = static_cast<uint8_t>(fault);
    fs.stallMs = fault == Fault::Stall ? static_cast<uint32_t>(*value) : 0;
    fs.onlyCommand = scope.command ? 1 : 0;
    fs.command = scope.command.value_or(0);
    fs.timesLeft = scope.times;
    if (fault == Fault::Range && value) {
        fs.rangeValue = static_cast<int32_t>(static_cast<uint32_t>(*value));
    } else if (fault == Fault::None) {
        fs.rangeValue = info.defaultRangeValue;
    }
    return true;
}

}  // namespace sim
