#pragma once

// One call into a stand-in vendor function: takes the time of a stall switched
// on for it, then holds the notebook's lock for the length of the call and
// fills the call's log record as the call goes.

#include "sim/SimNotebook.h"

namespace sim {

class StandInCall {
public:
    // command: KervoEvaluate's command byte, which a fault may be limited to.
    explicit StandInCall(Function f, std::optional<uint8_t> command = std::nullopt) : m_lock(AfterStall(f, command)) {
        if (m_lock) {
            FaultSwitch& live = m_lock.state().faults[static_cast<int>(f)];
            if (!Takes(live, command)) {
                m_switch = FaultSwitch{};
                m_switch.rangeValue = live.rangeValue;
            } else {
                m_switch = live;
                // The last call a counted fault takes switches it off.
                if (live.timesLeft != 0 && --live.timesLeft == 0) {
                    live = FaultSwitch{};
                    live.rangeValue = Info(f).defaultRangeValue;
                }
            }
            m_record = &m_lock.AppendCall(f, m_switch);
        }
    }

    // False when the notebook could not be reached; the call then fails unlogged.
    explicit operator bool() const { return m_record != nullptr; }

    State& state() { return m_lock.state(); }
    CallRecord& record() { return *m_record; }
    // A stall has been taken by now: the call answers as without a fault.
    Fault fault() const {
        const auto fault = static_cast<Fault>(m_switch.fault);
        return fault == Fault::Stall ? Fault::None : fault;
    }
    int32_t rangeValue() const { return m_switch.rangeValue; }

    void Wrote(uint32_t out) {
        m_record->flags |= CallFlag::kOutWritten;
        m_record->out = out;
    }

    int32_t Answer(int32_t result) {
        m_record->result = result;
        return result;
    }

private:
    // The notebook, once a stall switched on for f has been waited out. The
    // wait holds no lock, so the tool and the tests go on meanwhile.
    static Notebook& AfterStall(Function f, std::optional<uint8_t> command) {
        Notebook& notebook = ProcessNotebook();
        DWORD stallMs = 0;
        if (Lock lock(notebook); lock) {
            const FaultSwitch& fs = lock.state().faults[static_cast<int>(f)];
            stallMs = static_cast<Fault>(fs.fault) == Fault::Stall && Takes(fs, command) ? fs.stallMs : 0;
        }
        if (stallMs > 0) {
            ::Sleep(stallMs);
        }
        return notebook;
    }

    static bool Takes(const FaultSwitch& fs, std::optional<uint8_t> command) {
        return fs.onlyCommand == 0 || (command && *command == fs.command);
    }

    Lock m_lock;
    CallRecord* m_record = nullptr;
    FaultSwitch m_switch{};
};

}  // namespace sim
