// A temporary file mapped shared: the pacer in the program maps the same file.
#include "frame_control.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <stdexcept>
#include <thread>

FrameControl::FrameControl()
{
    char name[] = "/tmp/quendrel-frames-XXXXXX";
    const int fd = mkstemp(name);
    if (fd < 0 || ftruncate(fd, sizeof(FrameBlock)) != 0) {
        throw std::runtime_error("cannot create the frame block");
    }
    void* memory = mmap(nullptr, sizeof(FrameBlock), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    close(fd);
    if (memory == MAP_FAILED) {
        throw std::runtime_error("cannot map the frame block");
    }
    path_ = name;
    block_ = new (memory) FrameBlock{};
    block_->holdAfter = 1;
}

FrameControl::~FrameControl()
{
    munmap(block_, sizeof(FrameBlock));
    unlink(path_.c_str());
}

void FrameControl::setPause(std::chrono::microseconds pause)
{
    block_->pauseMicros = static_cast<std::uint32_t>(pause.count());
}

bool FrameControl::waitUntilHeld(std::uint64_t frame, std::chrono::milliseconds deadline)
{
    const auto until = std::chrono::steady_clock::now() + deadline;
    while (block_->heldAt < frame) {
        if (std::chrono::steady_clock::now() > until) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    return true;
}

bool FrameControl::runFrames(std::uint64_t count, std::chrono::milliseconds deadline)
{
    const std::uint64_t target = block_->framesShown + count;
    block_->holdAfter = target;
    return waitUntilHeld(target, deadline);
}

bool FrameControl::hold(std::chrono::milliseconds deadline)
{
    // A frame that has already passed its check runs on; the program then
    // holds in the next one, whichever that is.
    block_->holdAfter = block_->framesShown + 1;
    if (!waitUntilHeld(1, deadline)) {
        return false;
    }
    block_->holdAfter = block_->heldAt.load();
    return true;
}
