#pragma once
// Whether the keyboard hook still sees the keyboard, judged from the
// keyboard's raw input. Windows removes a low-level hook that misses its
// timeout without telling the program, and the keys go dead. The system calls
// the hook for a key event before the event becomes raw input, and on the
// hook's own thread the call (a sent message) is handled before the raw input
// (a posted one): so raw input that finds no hook call of its own, made just
// before, means the system has stopped calling the hook.

#include <cstdint>

class HookSilence {
public:
    // How recent the hook's last call must be for its calls to count: each
    // comes microseconds before its event's raw input.
    static constexpr uint32_t kAnswerWindowMs = 500;
    // Raw key events in a row without a hook call before the hook counts as
    // lost: one key's press and release.
    static constexpr int kUnansweredToLose = 2;

    // A hook call at nowMs (a millisecond tick that may wrap). True once
    // after each loss: the system calls the hook again (a window of a higher
    // integrity level has left the front); the judging then starts afresh.
    bool HookCalled(uint32_t nowMs) {
        m_lastCallMs = nowMs;
        m_unmatchedCalls += m_unmatchedCalls < kMaxUnmatchedCalls ? 1 : 0;
        m_bCalled = true;
        if (!m_bLost) {
            return false;
        }
        m_bLost = false;
        m_unanswered = 0;
        return true;
    }
    // A raw key event at nowMs. True once per loss: when this event makes
    // the hook lost.
    bool KeyboardInput(uint32_t nowMs);
    // Whether the system called the hook at all since it was installed.
    bool HookEverCalled() const { return m_bCalled; }

private:
    // Under a storm of keys the hook's calls run ahead of the raw input; calls
    // without raw input at all (none reaches a desktop without a window in
    // front) are forgotten once the window has passed.
    static constexpr uint32_t kMaxUnmatchedCalls = 1u << 20;

    bool m_bCalled = false;
    uint32_t m_lastCallMs = 0;
    uint32_t m_unmatchedCalls = 0;  // hook calls no raw event has been matched with yet
    int m_unanswered = 0;
    bool m_bLost = false;
};
