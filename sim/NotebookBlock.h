#pragma once
// The simulated notebook's shared block as it lies in its backing file; only
// the notebook's own files look inside it.

#include <cstdint>

#include "sim/SimNotebook.h"

namespace sim {

constexpr uint32_t kBlockMagic = 0x4E4B5356;  // "VSKN"
// Bump with every change of Block or what it holds; it is part of the names too,
// so an old build's block is never mapped with the new layout.
constexpr uint32_t kLayoutVersion = 6;

// The shared block as it lies in the file. Fixed-width fields only and no
// pointers, so that 32- and 64-bit processes agree on every offset.
struct Notebook::Block {
    uint32_t magic;
    uint32_t version;
    uint32_t size;
    uint32_t reserved;
    State state;
    uint64_t nextSeq;   // sequence number of the next call
    uint64_t firstSeq;  // first sequence number since the log was last cleared
    // Since the last reset, whatever the ring has dropped and the log clears.
    CallTotals totals;
    CallRecord ring[kCallLogCapacity];
};

static_assert(sizeof(CallRecord) == 48, "CallRecord is shared between 32- and 64-bit builds");

}  // namespace sim
