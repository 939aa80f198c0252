#pragma once
// Reading a fuzzer's bytes as the values a rule takes, and stopping the run
// with a message when a rule breaks what it promises.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

class FuzzInput {
public:
    FuzzInput(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}

    // The next sizeof(T) bytes as T; zero once the input runs out.
    template <class T>
    T Take() {
        T value{};
        const size_t n = m_size - m_used < sizeof(T) ? m_size - m_used : sizeof(T);
        std::memcpy(&value, m_data + m_used, n);
        m_used += n;
        return value;
    }
    size_t Left() const { return m_size - m_used; }
    bool Empty() const { return m_used >= m_size; }

private:
    const uint8_t* m_data;
    size_t m_size;
    size_t m_used = 0;
};

// A broken promise is a finding: say which, and stop as a crash does.
#define FUZZ_REQUIRE(condition)                                                          \
    do {                                                                                 \
        if (!(condition)) {                                                              \
            std::fprintf(stderr, "%s:%d: broken: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                \
        }                                                                                \
    } while (false)
