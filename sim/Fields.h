#pragma once

// The notebook's state as named fields, for the control tool and the tests:
// one table says each field's name, its range and how to read and write it.

#include "sim/SimNotebook.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sim {

// Decimal ("60", "-5", "+7") or hexadecimal ("0x3c", "-0x10"); nothing else,
// no trailing characters, no overflow of 64 bits.
std::optional<int64_t> ParseInteger(std::string_view text);

struct Field {
    const char* name;
    const char* argName;  // nullptr for a plain field, else "N" / "REG"
    int64_t argMin;
    int64_t argMax;
    int64_t min;
    int64_t max;
    bool hex;  // shown in hexadecimal
    const char* help;
    int64_t (*get)(const State& s, int64_t arg);
    void (*set)(State& s, int64_t arg, int64_t value);
};

const std::vector<Field>& Fields();
const Field* FieldByName(std::string_view name);

std::string FormatFieldValue(const Field& f, int64_t value);

// Range checks the argument and the value (and what ties fields together, such
// as ascending brightness levels), then sets. Empty on success, else why not.
std::string SetField(State& s, const Field& f, int64_t arg, int64_t value);

// All eight levels at once, for tables that cannot be reached one level at a time.
std::string SetBrightnessLevels(State& s, const std::vector<int64_t>& levels);

// Names of the output bits in a mask, e.g. "HDMI VGA panel"; "none" for 0.
std::string OutputNames(uint32_t mask);

}  // namespace sim
