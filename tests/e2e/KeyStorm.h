#pragma once
// A storm of key events in a seeded random order: the notebook's volume,
// mute, wireless and display keys, Esc, and ordinary typing between them. The
// sender (send_input.exe storm:SEED:COUNT) and the test make the same storm
// from the same seed.

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace e2e {

struct StormEvent {
    uint16_t scanCode;  // 0: the system maps the virtual key to its scan code
    uint8_t vk;         // 0: a scan code only, as the Fn keys send
    bool extended;
    bool up;
};

struct Storm {
    std::vector<StormEvent> events;
    std::string typed;  // the letters, in order
};

inline Storm MakeStorm(uint32_t seed, int count) {
    struct Key {
        uint16_t scanCode;
        uint8_t vk;
        bool extended;
    };
    // Volume up and down, mute, wireless, display, Esc; then a letter.
    const Key keys[] = {{0x28, 0, true}, {0x2D, 0, true}, {0x20, 0, true},
                        {0x04, 0, true}, {0x0B, 0, true}, {0x01, 0x1B, false}};
    constexpr int kLetterWeight = 6;  // about half of the keys are typing
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> pick(0, static_cast<int>(std::size(keys)) + kLetterWeight - 1);
    std::uniform_int_distribution<int> letter(0, 25);
    Storm storm;
    while (static_cast<int>(storm.events.size()) + 2 <= count) {
        const int choice = pick(random);
        Key key{};
        if (choice < static_cast<int>(std::size(keys))) {
            key = keys[choice];
        } else {
            const char c = static_cast<char>('A' + letter(random));
            key = {0, static_cast<uint8_t>(c), false};
            storm.typed.push_back(c);
        }
        storm.events.push_back({key.scanCode, key.vk, key.extended, false});
        storm.events.push_back({key.scanCode, key.vk, key.extended, true});
    }
    return storm;
}

}  // namespace e2e
