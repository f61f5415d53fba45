// Starts Xvfb with -displayfd and reads back the display number it chose.
#include "virtual_screen.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <stdexcept>

namespace {

constexpr int startDeadlineMs = 10000;

// Xvfb writes the display number and a newline once it accepts clients.
std::string readDisplayNumber(int fd)
{
    std::string number;
    pollfd ready{fd, POLLIN, 0};
    char c = 0;
    while (poll(&ready, 1, startDeadlineMs) == 1 && read(fd, &c, 1) == 1 && c != '\n') {
        number += c;
    }
    if (number.empty()) {
        throw std::runtime_error("Xvfb did not report a display");
    }
    return ":" + number;
}

} // namespace

VirtualScreen::VirtualScreen(int width, int height, const std::string& logPath,
                             const std::vector<int>& cpus)
    : width_(width), height_(height)
{
    // Both ends are closed on every way out, a throw included.
    struct Pipe {
        int fds[2] = {-1, -1};
        ~Pipe()
        {
            for (const int fd : fds) {
                if (fd >= 0) {
                    close(fd);
                }
            }
        }
    } pipe;
    if (pipe2(pipe.fds, O_CLOEXEC) != 0) {
        throw std::runtime_error("pipe failed");
    }
    ProcessOptions options;
    const std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x24";
    options.argv = {"Xvfb",      "-displayfd", std::to_string(pipe.fds[1]),
                    "-screen",   "0",          screen,
                    "-nolisten", "tcp",        "-noreset"};
    options.inheritedFd = pipe.fds[1];
    options.outputPath = logPath;
    options.cpus = cpus;
    server_ = std::make_unique<ChildProcess>(options);
    // Only Xvfb may hold the writing end now, so a failed start reads end of file.
    close(pipe.fds[1]);
    pipe.fds[1] = -1;
    display_ = readDisplayNumber(pipe.fds[0]);
}
