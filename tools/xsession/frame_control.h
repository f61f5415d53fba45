// The session's side of the frame preload: creates the shared block, lets the
// program run a given number of frames and hold, or run freely, and waits for
// frames; the benchmark reads and steers the block through it too.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

#include "frame_block.h"

class FrameControl {
  public:
    // The program holds after its first frame until told to go on. The block
    // is a file in the temporary directory ($TMPDIR or /tmp), removed with it.
    FrameControl();
    ~FrameControl();
    FrameControl(const FrameControl&) = delete;
    FrameControl& operator=(const FrameControl&) = delete;

    const std::string& path() const { return path_; }
    FrameBlock& block() { return *block_; }
    std::uint64_t framesShown() const { return block_->framesShown; }
    int programPid() const { return block_->programPid; }
    void setPause(std::chrono::microseconds pause);

    // Waits for the program's first frame, in which it holds.
    bool firstFrame(std::chrono::milliseconds deadline = std::chrono::seconds(20))
    {
        return waitUntilHeld(1, deadline);
    }
    // From a hold: lets exactly `count` more frames be drawn, and returns once
    // the last is on screen and the program holds in it; false at the deadline.
    bool runFrames(std::uint64_t count,
                   std::chrono::milliseconds deadline = std::chrono::seconds(20));
    void runFreely() { block_->holdAfter = neverHold; }
    // Holds the program at the next frame it finishes.
    bool hold(std::chrono::milliseconds deadline = std::chrono::seconds(20));
    // Running freely: waits until `count` frames have been shown in all.
    bool waitForFrames(std::uint64_t count, std::chrono::milliseconds deadline);

  private:
    bool waitUntilHeld(std::uint64_t frame, std::chrono::milliseconds deadline);

    std::string path_;
    FrameBlock* block_;
};
