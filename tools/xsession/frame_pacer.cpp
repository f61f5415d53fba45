// The frame preload (LD_PRELOAD) for every run that needs the program's frames:
// it wraps glXSwapBuffers, counts frames into the shared block, holds the
// program in a frame while a session asks, and fills in the figures a
// benchmark reads. Without a block it only passes each swap on.
#include <GL/glx.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <unistd.h>
#ifdef QUENDREL_CALLGRIND
#include <valgrind/callgrind.h>
#endif

#include <csignal>
#include <cstdio>
#include <cstdlib>

#include "frame_block.h"

namespace {

using SwapBuffers = void (*)(Display*, GLXDrawable);

FrameBlock* block = nullptr;

SwapBuffers lookUpSwap()
{
    void* swap = dlsym(RTLD_NEXT, "glXSwapBuffers");
    if (swap == nullptr) {
        const char* why = dlerror();
        std::fprintf(stderr, "frame preload: no glXSwapBuffers to wrap: %s\n",
                     why != nullptr ? why : "not found");
        std::abort();
    }
    return reinterpret_cast<SwapBuffers>(swap);
}

rusage usage()
{
    rusage used{};
    getrusage(RUSAGE_SELF, &used);
    return used;
}

// Left for a benchmark to read; only a program that exits itself gets here.
void recordPeakRss()
{
    // NOLINTNEXTLINE(cppcoreguidelines-pro-type-union-access): glibc wraps the field in a union
    block->peakRssKiB = usage().ru_maxrss;
}

bool openBlock()
{
    const char* path = std::getenv(frameBlockVariable);
    const int fd = path != nullptr ? open(path, O_RDWR) : -1;
    if (fd < 0) {
        if (path != nullptr) {
            std::fprintf(stderr, "frame preload: cannot open %s\n", path);
        }
        return false;
    }
    void* memory = mmap(nullptr, sizeof(FrameBlock), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    close(fd);
    if (memory == MAP_FAILED) {
        std::fprintf(stderr, "frame preload: cannot map %s\n", path);
        return false;
    }
    // Started under a wrapper (a tracer), the program must still die with the
    // session that started the wrapper.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    block = static_cast<FrameBlock*>(memory);
    block->programPid = static_cast<std::int32_t>(getpid());
    std::atexit(recordPeakRss);
    return true;
}

// Counted at the end of a swap, so the measured frames are whole frames:
// render, swap and the toolkit's loop around them.
void stepCallgrind(std::uint64_t shown)
{
#ifdef QUENDREL_CALLGRIND
    const std::uint64_t warmUp = block->callgrindWarmUp;
    if (warmUp != 0 && shown == warmUp) {
        CALLGRIND_ZERO_STATS;
    }
    if (warmUp != 0 && shown == warmUp + block->callgrindFrames) {
        CALLGRIND_DUMP_STATS;
        std::exit(0);
    }
#else
    (void)shown;
#endif
}

} // namespace

extern "C" void glXSwapBuffers(Display* dpy, GLXDrawable drawable)
{
    static const SwapBuffers realSwap = lookUpSwap();
    static const bool counting = openBlock();

    realSwap(dpy, drawable);
    if (!counting) {
        return;
    }
    const std::uint64_t shown = block->framesShown.fetch_add(1) + 1;
    if (shown == 1) {
        const rusage used = usage();
        block->firstFrameNs = steadyNs();
        block->firstFrameCpuUs = (used.ru_utime.tv_sec + used.ru_stime.tv_sec) * 1000000LL +
                                 used.ru_utime.tv_usec + used.ru_stime.tv_usec;
    }
    if (shown >= block->holdAfter) {
        // The software renderer puts the image to the server; a round trip
        // makes sure it has landed before the session looks. Only a hold pays
        // for it, so a free run is timed as it would run without the preload.
        XSync(dpy, False);
        block->heldAt = shown;
        while (shown >= block->holdAfter) {
            usleep(200);
        }
        block->heldAt = 0;
    }
    stepCallgrind(shown);
    if (block->exitRequested != 0) {
        std::exit(0);
    }
    if (const std::uint32_t pause = block->pauseMicros; pause > 0) {
        usleep(pause);
    }
}
