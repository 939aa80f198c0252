#pragma once

// One call into a stand-in vendor function: holds the notebook's lock for the
// length of the call and fills the call's log record as the call goes.

#include "sim/SimNotebook.h"

namespace sim {

class StandInCall {
public:
    explicit StandInCall(Function f) : m_lock(ProcessNotebook()) {
        if (m_lock) {
            m_record = &m_lock.AppendCall(f);
            m_switch = m_lock.state().faults[static_cast<int>(f)];
        }
    }

    // False when the notebook could not be reached; the call then fails unlogged.
    explicit operator bool() const { return m_record != nullptr; }

    State& state() { return m_lock.state(); }
    CallRecord& record() { return *m_record; }
    Fault fault() const { return static_cast<Fault>(m_switch.fault); }
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
    Lock m_lock;
    CallRecord* m_record = nullptr;
    FaultSwitch m_switch{};
};

} // namespace sim
