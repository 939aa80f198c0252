// The call log: records appended under the notebook's lock, read back in
// order, and their one-line text form.
#include "sim/NotebookBlock.h"

#include <algorithm>
#include <cstdio>

namespace sim {

namespace {

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

}  // namespace

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
            s += "(" + MethodText(r.method) + ", arg=" + Hex32(r.arg[0]) + ", res=" + Hex32(r.arg[1]) + ")";
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
    case Function::Keyboard: {
        // arg: the Fn key's scan code, the function key's number, its scan code.
        std::snprintf(buf, sizeof buf, "(0x%02x, hotkey mode off)", static_cast<unsigned>(r.arg[0]));
        s += buf;
        std::snprintf(buf, sizeof buf, " sent=F%u scan 0x%02x", static_cast<unsigned>(r.arg[1]),
                      static_cast<unsigned>(r.arg[2]));
        out = buf;
        break;
    }
    default:
        s += "()";
        break;
    }
    return s + " -> " + std::to_string(r.result) + out;
}

CallRecord& Lock::AppendCall(Function f, const FaultSwitch& taken) {
    Notebook::Block& b = *m_nb.m_block.get();
    // The oldest record gives way; ReadCallLog counts it as dropped.
    CallRecord& r = b.ring[b.nextSeq % kCallLogCapacity];
    r = CallRecord{};
    r.seq = b.nextSeq++;
    r.pid = GetCurrentProcessId();
    r.function = static_cast<uint8_t>(f);
    const int index = static_cast<int>(f);
    ++b.totals.calls[index];
    if (taken.fault != static_cast<uint8_t>(Fault::None)) {
        ++b.totals.faults[index];
    }
    return r;
}

std::optional<CallTotals> Notebook::ReadCallTotals() {
    Lock lock(*this);
    if (!lock) {
        return std::nullopt;
    }
    return m_block.get()->totals;
}

std::optional<CallLog> Notebook::ReadCallLog() {
    Lock lock(*this);
    if (!lock) {
        return std::nullopt;
    }
    const Block& b = *m_block.get();
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
    m_block.get()->firstSeq = m_block.get()->nextSeq;
    return true;
}

}  // namespace sim
