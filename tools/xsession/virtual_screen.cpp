// Starts Xvfb with -displayfd and reads back the display number it chose.
#include "virtual_screen.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <stdexcept>

namespace {

constexpr int startDeadlineMs = 10000;

// Xvfb writes the display number and a newline once it accepts clients. The
// pipe's reading end is closed in any case.
std::string readDisplayNumber(int fd)
{
    std::string number;
    pollfd ready{fd, POLLIN, 0};
    char c = 0;
    while (poll(&ready, 1, startDeadlineMs) == 1 && read(fd, &c, 1) == 1 && c != '\n') {
        number += c;
    }
    close(fd);
    if (number.empty()) {
        throw std::runtime_error("Xvfb did not report a display (is it installed?)");
    }
    return ":" + number;
}

} // namespace

VirtualScreen::VirtualScreen(int width, int height, const std::vector<int>& cpus)
    : width_(width), height_(height)
{
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0) {
        throw std::runtime_error("pipe failed");
    }
    ProcessOptions options;
    const std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x24";
    options.argv = {"Xvfb",      "-displayfd", std::to_string(pipeFds[1]),
                    "-screen",   "0",          screen,
                    "-nolisten", "tcp",        "-noreset"};
    options.inheritedFd = pipeFds[1];
    options.cpus = cpus;
    try {
        server_ = std::make_unique<ChildProcess>(options);
    } catch (...) {
        close(pipeFds[0]);
        close(pipeFds[1]);
        throw;
    }
    // Only Xvfb holds the writing end now, so a failed start reads end of file.
    close(pipeFds[1]);
    display_ = readDisplayNumber(pipeFds[0]);
}
