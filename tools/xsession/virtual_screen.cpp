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
    options.outputPath = logPath;
    options.cpus = cpus;
    server_ = std::make_unique<ChildProcess>(options);
    close(pipeFds[1]);
    try {
        display_ = readDisplayNumber(pipeFds[0]);
    } catch (...) {
        close(pipeFds[0]);
        throw;
    }
    close(pipeFds[0]);
}
