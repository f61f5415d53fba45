// Preload library (LD_PRELOAD) that wraps glXSwapBuffers: after each swap it
// makes sure the X server has drawn the frame, counts it, and waits there while
// the session holds the program, so a screen grab shows a known frame.
#include <GL/glx.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>

#include "frame_block.h"

namespace {

FrameBlock* openBlock()
{
    const char* path = std::getenv(frameBlockVariable);
    const int fd = path != nullptr ? open(path, O_RDWR) : -1;
    if (fd < 0) {
        return nullptr;
    }
    void* memory = mmap(nullptr, sizeof(FrameBlock), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    close(fd);
    if (memory == MAP_FAILED) {
        return nullptr;
    }
    // Started under a wrapper (a tracer), the program must still die with the
    // session that started the wrapper.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    auto* block = static_cast<FrameBlock*>(memory);
    block->programPid = static_cast<std::int32_t>(getpid());
    return block;
}

} // namespace

extern "C" void glXSwapBuffers(Display* dpy, GLXDrawable drawable)
{
    using SwapBuffers = void (*)(Display*, GLXDrawable);
    static const auto realSwap = reinterpret_cast<SwapBuffers>(dlsym(RTLD_NEXT, "glXSwapBuffers"));
    static FrameBlock* const block = openBlock();

    realSwap(dpy, drawable);
    if (block == nullptr) {
        return;
    }
    // The software renderer puts the image to the server; a round trip makes
    // sure it has landed before the frame counts as shown.
    XSync(dpy, False);
    const std::uint64_t shown = block->framesShown.fetch_add(1) + 1;
    if (shown >= block->holdAfter.load()) {
        block->heldAt = shown;
        while (shown >= block->holdAfter.load()) {
            usleep(200);
        }
        block->heldAt = 0;
    }
    if (const std::uint32_t pause = block->pauseMicros.load(); pause > 0) {
        usleep(pause);
    }
}
