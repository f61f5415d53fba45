// Frame counter preloaded into an unchanged GLX program: wraps glXSwapBuffers,
// counts frames, shares the running count with the bench driver and writes a
// report at exit. The environment variables are read in startCounter.
#include <GL/glx.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <unistd.h>
#include <valgrind/callgrind.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "frame_counter.h"

namespace {

constexpr double warmUpSeconds = 0.5;

using SwapBuffers = void (*)(Display*, GLXDrawable);

SwapBuffers realSwap = nullptr;
SharedCounter* shared = nullptr;
const char* reportPath = nullptr;
long long launchNs = 0;
long long callgrindWarmUp = -1;
long long callgrindFrames = 0;

unsigned long long frames = 0;
long long firstFrameNs = 0;
double firstFrameCpuMs = 0.0;
unsigned long long steadyStartFrame = 0;
long long steadyStartNs = 0;
long long lastFrameNs = 0;

double cpuMs(const rusage& usage)
{
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
}

long long nowNs()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec * 1000000000LL + now.tv_nsec;
}

void writeReport()
{
    std::FILE* out = std::fopen(reportPath, "w");
    if (out == nullptr) {
        return;
    }
    const unsigned long long steadyFrames = frames - steadyStartFrame;
    const double steadySeconds = static_cast<double>(lastFrameNs - steadyStartNs) / 1e9;
    const bool steadyMeasured = steadyStartNs != 0 && steadyFrames > 0 && steadySeconds > 0;
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::fprintf(out, "frames %llu\n", frames);
    std::fprintf(out, "steady_fps %.1f\n",
                 steadyMeasured ? static_cast<double>(steadyFrames) / steadySeconds : 0.0);
    std::fprintf(out, "first_frame_ms %.3f\n",
                 frames > 0 ? static_cast<double>(firstFrameNs - launchNs) / 1e6 : 0.0);
    std::fprintf(out, "first_frame_cpu_ms %.3f\n", firstFrameCpuMs);
    // NOLINTNEXTLINE(cppcoreguidelines-pro-type-union-access): glibc wraps the field in a union
    std::fprintf(out, "peak_rss_kib %ld\n", usage.ru_maxrss);
    std::fclose(out);
}

void mapShared(const char* path)
{
    const int fd = open(path, O_RDWR);
    if (fd < 0) {
        return;
    }
    void* mapped = mmap(nullptr, sizeof(SharedCounter), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    close(fd);
    if (mapped != MAP_FAILED) {
        shared = static_cast<SharedCounter*>(mapped);
    }
}

// QUENDREL_COUNTER_REPORT: written at exit: frames, steady fps after 0.5 s of
//   warm-up, ms from launch to the end of the first swap (wall clock, and CPU
//   time of all threads), peak RSS in KiB.
// QUENDREL_COUNTER_SHARED: file holding a SharedCounter, updated every swap.
// QUENDREL_LAUNCH_NS: CLOCK_MONOTONIC ns of the launch (else this load).
// QUENDREL_CALLGRIND: "W N": zero callgrind's counters after frame W, dump
//   them and exit(0) after frame W + N.
__attribute__((constructor)) void startCounter()
{
    const char* launch = std::getenv("QUENDREL_LAUNCH_NS");
    launchNs = launch != nullptr ? std::atoll(launch) : nowNs();
    if (const char* path = std::getenv("QUENDREL_COUNTER_SHARED")) {
        mapShared(path);
    }
    if (const char* frameCounts = std::getenv("QUENDREL_CALLGRIND")) {
        if (std::sscanf(frameCounts, "%lld %lld", &callgrindWarmUp, &callgrindFrames) != 2) {
            callgrindWarmUp = -1;
        }
    }
    reportPath = std::getenv("QUENDREL_COUNTER_REPORT");
    if (reportPath != nullptr) {
        std::atexit(writeReport);
    }
}

void countFrame()
{
    const long long now = nowNs();
    ++frames;
    lastFrameNs = now;
    if (frames == 1) {
        firstFrameNs = now;
        rusage usage{};
        getrusage(RUSAGE_SELF, &usage);
        firstFrameCpuMs = cpuMs(usage);
    }
    if (steadyStartNs == 0 && now - firstFrameNs >= static_cast<long long>(warmUpSeconds * 1e9)) {
        steadyStartFrame = frames;
        steadyStartNs = now;
    }
    if (shared != nullptr) {
        shared->frames.store(frames, std::memory_order_relaxed);
    }
}

} // namespace

extern "C" void glXSwapBuffers(Display* dpy, GLXDrawable drawable)
{
    if (realSwap == nullptr) {
        realSwap = reinterpret_cast<SwapBuffers>(dlsym(RTLD_NEXT, "glXSwapBuffers"));
    }
    realSwap(dpy, drawable);
    countFrame();

    // Counted at the end of a swap, so the measured frames are whole frames:
    // render, swap and the toolkit's loop around them.
    const long long count = static_cast<long long>(frames);
    if (count == callgrindWarmUp) {
        CALLGRIND_ZERO_STATS;
    }
    if (callgrindWarmUp >= 0 && count == callgrindWarmUp + callgrindFrames) {
        CALLGRIND_DUMP_STATS;
        std::exit(0);
    }
    if (shared != nullptr && shared->stopRequested.load(std::memory_order_relaxed) != 0) {
        std::exit(0);
    }
}
