// Tests of the benchmark's own tools: the order statistics, and the frame
// preload's counts and figures, run over a stand-in glXSwapBuffers in a child
// copy of this executable ("--swap-child FRAMES MILLISECONDS").
#include <gtest/gtest.h>

#include <GL/glx.h>
#include <unistd.h>

#include <cstring>
#include <memory>
#include <string>
#include <thread>

#include "child_process.h"
#include "frame_control.h"
#include "stats.h"

extern "C" int fakeSwapCalls;

namespace {

// The child: swaps FRAMES times (forever if negative), sleeping between swaps,
// and returns 0 only if every swap reached the real (stand-in) function.
int swapChild(int frames, int sleepMs)
{
    for (int frame = 0; frames < 0 || frame < frames; ++frame) {
        glXSwapBuffers(nullptr, 0);
        std::this_thread::sleep_for(std::chrono::milliseconds(sleepMs));
    }
    return fakeSwapCalls == frames ? 0 : 3;
}

// A child with the preload, running freely, launched a second ago as the
// driver would have stamped it.
struct SwapChild {
    FrameControl frames;
    std::unique_ptr<ChildProcess> process;

    SwapChild(int swaps, int sleepMs, std::uint64_t callgrindWarmUp = 0,
              std::uint64_t callgrindFrames = 0)
    {
        frames.runFreely();
        frames.block().callgrindWarmUp = callgrindWarmUp;
        frames.block().callgrindFrames = callgrindFrames;
        frames.block().launchNs = steadyNs() - 1000000000;
        ProcessOptions options;
        options.argv = {"/proc/self/exe", "--swap-child", std::to_string(swaps),
                        std::to_string(sleepMs)};
        options.setEnv = {{"LD_PRELOAD", FRAME_PACER}, {frameBlockVariable, frames.path()}};
        process = std::make_unique<ChildProcess>(options);
    }

    // The exit status, or -1 if the child did not exit in time by itself.
    int status() const
    {
        const auto end = process->waitForEnd(std::chrono::seconds(20));
        return end && end->exited ? end->code : -1;
    }
};

TEST(Stats, QuantilesInterpolateBetweenSortedValues)
{
    EXPECT_DOUBLE_EQ(median({5.0, 1.0, 3.0}), 3.0);
    EXPECT_DOUBLE_EQ(median({4.0, 1.0, 3.0, 2.0}), 2.5);
    EXPECT_DOUBLE_EQ(quantile({4.0, 1.0, 3.0, 2.0}, 0.25), 1.75);
    EXPECT_DOUBLE_EQ(quantile({4.0, 1.0, 3.0, 2.0}, 1.0), 4.0);
    EXPECT_DOUBLE_EQ(quantile({7.0}, 0.75), 7.0);
    EXPECT_DOUBLE_EQ(median({}), 0.0);
    EXPECT_DOUBLE_EQ(quantile({2.0, -1.0, 9.0}, 0.0), -1.0);
    EXPECT_DOUBLE_EQ(quantile({2.0, -1.0, 9.0}, 1.0), 9.0);
}

TEST(FramePreload, CountsEveryFrameAndPassesEachSwapOn)
{
    SwapChild child(25, 0);
    ASSERT_EQ(child.status(), 0); // 3 would mean a swap did not reach the stand-in
    const FrameBlock& block = child.frames.block();
    EXPECT_EQ(block.framesShown, 25u);
    EXPECT_EQ(block.programPid, child.process->pid());
    EXPECT_GE(block.firstFrameNs - block.launchNs, 1000000000);
    EXPECT_GT(block.peakRssKiB, 0);
}

TEST(FramePreload, ExitRequestEndsTheProgramAfterItsNextSwap)
{
    SwapChild child(-1, 1);
    ASSERT_TRUE(child.frames.waitForFrames(5, std::chrono::seconds(5)))
        << "the shared count did not reach 5 frames";
    child.frames.block().exitRequested = 1;
    ASSERT_EQ(child.status(), 0);
    EXPECT_GE(child.frames.framesShown(), 5u);
    EXPECT_GT(child.frames.block().peakRssKiB, 0) << "no figures written at the exit";
}

TEST(FramePreload, CallgrindModeExitsAfterWarmUpAndMeasuredFrames)
{
    SwapChild child(-1, 0, 3, 5);
    ASSERT_EQ(child.status(), 0);
    EXPECT_EQ(child.frames.framesShown(), 8u);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 4 && std::strcmp(argv[1], "--swap-child") == 0) {
        return swapChild(std::stoi(argv[2]), std::stoi(argv[3]));
    }
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
