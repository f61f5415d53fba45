// A temporary file mapped shared: the preload in the program maps the same file.
#include "frame_control.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <filesystem>
#include <stdexcept>
#include <thread>

namespace {

// The one wait for frames: polls until `done` holds; false at the deadline.
template <typename Condition>
bool waitUntil(const Condition& done, std::chrono::milliseconds deadline)
{
    const auto until = SteadyClock::now() + deadline;
    while (!done()) {
        if (SteadyClock::now() > until) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    return true;
}

} // namespace

FrameControl::FrameControl()
{
    std::string name = std::filesystem::temp_directory_path() / "quendrel-frames-XXXXXX";
    const int fd = mkstemp(name.data());
    if (fd < 0) {
        throw std::runtime_error("cannot create the frame block " + name);
    }
    void* memory =
        ftruncate(fd, sizeof(FrameBlock)) == 0
            ? mmap(nullptr, sizeof(FrameBlock), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0)
            : MAP_FAILED;
    close(fd);
    if (memory == MAP_FAILED) {
        unlink(name.c_str());
        throw std::runtime_error("cannot map the frame block " + name);
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
    return waitUntil([this, frame] { return block_->heldAt >= frame; }, deadline);
}

bool FrameControl::waitForFrames(std::uint64_t count, std::chrono::milliseconds deadline)
{
    return waitUntil([this, count] { return block_->framesShown >= count; }, deadline);
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
