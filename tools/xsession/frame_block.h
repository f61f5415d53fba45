// The block of shared memory between a session and the frame preload in the
// program: the preload counts frames into it, holds the program in a frame
// when asked, and fills in the figures a benchmark reads after the exit.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <limits>

// The one clock of the sessions, the preload and the benchmark: monotonic and
// the same in every process (CLOCK_MONOTONIC), so times compare across them.
using SteadyClock = std::chrono::steady_clock;

inline std::int64_t steadyNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               SteadyClock::now().time_since_epoch())
        .count();
}

constexpr std::uint64_t neverHold = std::numeric_limits<std::uint64_t>::max();

struct FrameBlock {
    // Steering, written by the session.
    std::atomic<std::uint64_t> holdAfter;     // the program waits inside this frame's swap
    std::atomic<std::uint32_t> pauseMicros;   // slept after every swap
    std::atomic<std::uint32_t> exitRequested; // non-zero: exit(0) after the next swap
    std::atomic<std::int64_t> launchNs;       // when the benchmark started the program
    // Under callgrind: zero its counters after frame `callgrindWarmUp` (when
    // non-zero), dump them and exit(0) after `callgrindFrames` more.
    std::atomic<std::uint64_t> callgrindWarmUp;
    std::atomic<std::uint64_t> callgrindFrames;

    // What the preload reports.
    std::atomic<std::uint64_t> framesShown;    // swaps finished
    std::atomic<std::uint64_t> heldAt;         // the frame the program holds in, or 0 while it runs
    std::atomic<std::int32_t> programPid;      // written at the first swap
    std::atomic<std::int64_t> firstFrameNs;    // end of the first swap
    std::atomic<std::int64_t> firstFrameCpuUs; // CPU time of all threads by then
    std::atomic<std::int64_t> peakRssKiB;      // written at exit, when the program exits itself
};

static_assert(std::atomic<std::uint64_t>::is_always_lock_free,
              "the block is shared between processes");
// A session on amd64 reads the block that a preload built for arm64 writes
// from a program under qemu: both builds must lay it out alike.
static_assert(sizeof(FrameBlock) == 88 && alignof(FrameBlock) == 8,
              "one layout of the block on every architecture");

// The environment variable that names the block's file for the preload.
constexpr const char* frameBlockVariable = "QUENDREL_FRAME_BLOCK";
