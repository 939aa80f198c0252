#include "app/HookSilence.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// One event of the hook's thread: a hook call or a raw key event, at a tick.
struct Event {
    bool hookCall;
    uint32_t atMs;
};

// The events at which the hook is judged lost (a raw event) or called again
// after a loss (a hook call).
std::vector<size_t> LostAt(const std::vector<Event>& events) {
    HookSilence silence;
    std::vector<size_t> changes;
    for (size_t i = 0; i < events.size(); ++i) {
        if (events[i].hookCall ? silence.HookCalled(events[i].atMs) : silence.KeyboardInput(events[i].atMs)) {
            changes.push_back(i);
        }
    }
    return changes;
}

TEST(HookSilence, RawInputWithoutItsHookCallsLosesTheHookOnceAtTheSecondEventUntilItIsCalledAgain) {
    constexpr bool H = true;
    constexpr bool R = false;
    const struct {
        const char* name;
        std::vector<Event> events;
        std::vector<size_t> lostAt;
    } cases[] = {
        {"a live hook: each event's call comes first", {{H, 10}, {R, 10}, {H, 90}, {R, 90}, {H, 5000}, {R, 5000}}, {}},
        {"calls running ahead of raw input in a storm", {{H, 1}, {H, 2}, {H, 3}, {R, 4}, {R, 5}, {R, 6}}, {}},
        {"dropped right after the last key: the next one's press and release",
         {{H, 0}, {R, 0}, {H, 50}, {R, 50}, {R, 200}, {R, 250}, {R, 300}},
         {5}},
        {"dropped long after", {{H, 10}, {R, 10}, {R, 60000}, {R, 60080}, {R, 60200}}, {3}},
        {"dropped before any call", {{R, 10}, {R, 20}, {R, 30}}, {1}},
        {"one stray event is forgiven", {{H, 10}, {R, 10}, {R, 9000}, {H, 9010}, {R, 9010}, {R, 9600}}, {}},
        {"calls without raw input count for 500 ms only",
         {{H, 0}, {H, 10}, {H, 20}, {R, 530}, {R, 531}, {R, 532}},
         {4}},
        {"across the tick's wrap", {{H, 0xFFFFFF80u}, {H, 0x00000010u}, {R, 0x00000020u}, {R, 0x00000030u}}, {}},
        {"a call from before the wrap is stale after it", {{H, 0xFFFFFF00u}, {R, 0x00001000u}, {R, 0x00001010u}}, {2}},
        {"never called, lost once however long the typing; called again; lost again",
         {{R, 10}, {R, 20}, {R, 30}, {R, 40}, {H, 50}, {H, 51}, {R, 52}, {R, 900}, {R, 950}, {R, 990}},
         {1, 4, 8}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(LostAt(c.events), c.lostAt);
    }
}

TEST(HookSilence, SaysWhetherTheHookWasEverCalled) {
    HookSilence silence;
    EXPECT_FALSE(silence.HookEverCalled());
    silence.HookCalled(7);
    EXPECT_TRUE(silence.HookEverCalled());
}

}  // namespace
