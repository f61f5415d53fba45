// Tests of the benchmark's own tools: the order statistics, the report reader
// and the preloaded frame counter, run over a stand-in glXSwapBuffers in a
// child copy of this executable ("--swap-child FRAMES MILLISECONDS").
#include <gtest/gtest.h>

#include <GL/glx.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <string>

#include "frame_counter.h"
#include "stats.h"

extern "C" int fakeSwapCalls;

namespace {

// The child: swaps FRAMES times (forever if negative), sleeping between swaps,
// and returns 0 only if every swap reached the real (stand-in) function.
int swapChild(int frames, int sleepMs)
{
    for (int frame = 0; frames < 0 || frame < frames; ++frame) {
        glXSwapBuffers(nullptr, 0);
        if (sleepMs > 0) {
            usleep(static_cast<useconds_t>(sleepMs) * 1000);
        }
    }
    return fakeSwapCalls == frames ? 0 : 3;
}

struct Child {
    std::string files = "/tmp/quendrel-counter-test-" + std::to_string(getpid());
    SharedCounter* counter = nullptr;
    pid_t pid = -1;
    // A launch one second ago, as the driver would have stamped it.
    long long launchNs = 0;

    Child(int frames, int sleepMs, const char* callgrindFrames = nullptr)
    {
        timespec now{};
        clock_gettime(CLOCK_MONOTONIC, &now);
        launchNs = (now.tv_sec - 1) * 1000000000LL + now.tv_nsec;
        const int fd = open((files + ".count").c_str(), O_RDWR | O_CREAT | O_TRUNC, 0600);
        EXPECT_EQ(ftruncate(fd, sizeof(SharedCounter)), 0);
        counter = static_cast<SharedCounter*>(
            mmap(nullptr, sizeof(SharedCounter), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0));
        close(fd);
        std::remove((files + ".report").c_str());
        pid = fork();
        if (pid == 0) {
            setenv("LD_PRELOAD", FRAME_COUNTER_PATH, 1);
            setenv("QUENDREL_COUNTER_SHARED", (files + ".count").c_str(), 1);
            setenv("QUENDREL_COUNTER_REPORT", (files + ".report").c_str(), 1);
            setenv("QUENDREL_LAUNCH_NS", std::to_string(launchNs).c_str(), 1);
            if (callgrindFrames != nullptr) {
                setenv("QUENDREL_CALLGRIND", callgrindFrames, 1);
            }
            const std::string count = std::to_string(frames);
            const std::string sleep = std::to_string(sleepMs);
            execl("/proc/self/exe", "bench_tools_test", "--swap-child", count.c_str(),
                  sleep.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
    }

    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;
    Child(Child&&) = delete;
    Child& operator=(Child&&) = delete;

    // The exit status, or -1 if the child did not exit normally.
    int wait() const
    {
        int status = 0;
        waitpid(pid, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    std::map<std::string, double> report() const { return readReport(files + ".report"); }

    ~Child()
    {
        munmap(counter, sizeof(SharedCounter));
        std::remove((files + ".count").c_str());
        std::remove((files + ".report").c_str());
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
    EXPECT_DOUBLE_EQ(smallest({2.0, -1.0, 9.0}), -1.0);
    EXPECT_DOUBLE_EQ(largest({2.0, -1.0, 9.0}), 9.0);
}

TEST(FrameCounter, ReportsEveryFrameAtExitAndPassesEachSwapOn)
{
    Child child(25, 0);
    ASSERT_EQ(child.wait(), 0); // 3 would mean a swap did not reach the stand-in
    std::map<std::string, double> report = child.report();
    EXPECT_EQ(report["frames"], 25);
    EXPECT_EQ(child.counter->frames.load(), 25u);
    EXPECT_GE(report["first_frame_ms"], 1000.0);
    EXPECT_GT(report["peak_rss_kib"], 0.0);
    // Far shorter than the warm-up: no steady rate.
    EXPECT_EQ(report["steady_fps"], 0.0);
}

TEST(FrameCounter, MeasuresASteadyRateOnlyAfterTheWarmUp)
{
    Child child(80, 10);
    ASSERT_EQ(child.wait(), 0);
    std::map<std::string, double> report = child.report();
    EXPECT_EQ(report["frames"], 80);
    // 10 ms between swaps caps the rate at 100 fps, however slow the machine.
    EXPECT_GT(report["steady_fps"], 0.0);
    EXPECT_LT(report["steady_fps"], 101.0);
}

TEST(FrameCounter, StopRequestEndsTheProgramAfterItsNextSwap)
{
    Child child(-1, 1);
    for (int waited = 0; child.counter->frames.load() < 5; ++waited) {
        if (waited == 5000) {
            kill(child.pid, SIGKILL);
            FAIL() << "the shared count did not reach 5 frames";
        }
        usleep(1000);
    }
    child.counter->stopRequested.store(1);
    ASSERT_EQ(child.wait(), 0);
    const double reported = child.report()["frames"];
    EXPECT_GE(reported, 5);
    EXPECT_EQ(reported, static_cast<double>(child.counter->frames.load()));
}

TEST(FrameCounter, CallgrindModeExitsAfterWarmUpAndMeasuredFrames)
{
    Child child(-1, 0, "3 5");
    ASSERT_EQ(child.wait(), 0);
    EXPECT_EQ(child.report()["frames"], 8);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 4 && std::strcmp(argv[1], "--swap-child") == 0) {
        return swapChild(std::atoi(argv[2]), std::atoi(argv[3]));
    }
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
