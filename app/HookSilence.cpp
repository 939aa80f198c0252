#include "app/HookSilence.h"

bool HookSilence::KeyboardInput(uint32_t nowMs) {
    // Unsigned difference: right across the tick's wrap after 49.7 days.
    const bool answered = m_unmatchedCalls > 0 && nowMs - m_lastCallMs <= kAnswerWindowMs;
    if (answered) {
        --m_unmatchedCalls;
        m_unanswered = 0;
    } else {
        m_unmatchedCalls = 0;
        ++m_unanswered;
    }
    if (m_bLost || m_unanswered < kUnansweredToLose) {
        return false;
    }
    m_bLost = true;
    return true;
}
