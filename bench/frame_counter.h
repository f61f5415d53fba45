// The live frame count that the preloaded counter shares with the bench
// driver: a small file both map. The counter stores its count after every
// swap; the driver reads it around each time slice and sets the stop flag.
#pragma once

#include <atomic>
#include <cstdint>

struct SharedCounter {
    std::atomic<std::uint64_t> frames;
    std::atomic<std::uint32_t> stopRequested; // non-zero: exit(0) after the next swap
};

static_assert(std::atomic<std::uint64_t>::is_always_lock_free,
              "the count is shared between processes, so it must not need a lock");
