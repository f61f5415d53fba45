// The block of shared memory through which a session steers the frame pacer
// preloaded into the program: frames shown so far, the frame to hold after,
// a pause per frame, and the program's own process id.
#pragma once

#include <atomic>
#include <cstdint>

struct FrameBlock {
    std::atomic<std::uint64_t> framesShown; // swaps finished and on screen
    std::atomic<std::uint64_t> holdAfter;   // the program waits inside this frame's swap
    std::atomic<std::uint64_t> heldAt;      // the frame the program holds in, or 0 while it runs
    std::atomic<std::uint32_t> pauseMicros; // slept after every swap
    std::atomic<std::int32_t> programPid;   // written by the pacer at its first swap
};

static_assert(std::atomic<std::uint64_t>::is_always_lock_free,
              "the block is shared between processes");

// The environment variable that names the block's file for the pacer.
constexpr const char* frameBlockVariable = "QUENDREL_FRAME_BLOCK";
