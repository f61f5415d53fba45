// Start-up and shut-down of a program under its own Xvfb.
#include "program_session.h"

#include <X11/keysym.h>

#include <stdexcept>

ProgramSession::ProgramSession(const SessionOptions& options) : screen_(1024, 768)
{
    ProcessOptions child;
    child.argv = options.wrapper;
    child.argv.push_back(options.program);
    child.setEnv = options.environment;
    // Mesa's software renderer whatever the machine's GPU, so every run draws the same pixels.
    child.setEnv["LIBGL_ALWAYS_SOFTWARE"] = "true";
    child.setEnv["GALLIUM_DRIVER"] = "llvmpipe";
    child.setEnv["DISPLAY"] = screen_.display();
    child.setEnv["LD_PRELOAD"] = options.pacer;
    child.setEnv[frameBlockVariable] = frames_.path();
    program_ = std::make_unique<ChildProcess>(child);
    try {
        client_ = std::make_unique<XClient>(screen_.display());
        waitForFullScreenWindow();
    } catch (...) {
        stopProgram();
        throw;
    }
}

// The members then go in reverse order: the X connection before its server.
ProgramSession::~ProgramSession() { stopProgram(); }

std::optional<ProcessEnd> ProgramSession::endWithEscape()
{
    tapKey(XK_Escape);
    frames_.runFreely();
    return program_->waitForEnd(std::chrono::seconds(10));
}

void ProgramSession::stopProgram()
{
    // Under a wrapper the program is a grandchild: end it by the id it reported.
    const int programPid = frames_.programPid();
    if (programPid > 0 && programPid != program_->pid() && program_->running()) {
        stopForeignProcess(programPid);
    }
    program_->stop();
}

void ProgramSession::waitForFullScreenWindow()
{
    // The first frame may come before the window is mapped or made full size;
    // step one frame at a time until both are seen.
    if (!frames_.firstFrame()) {
        throw std::runtime_error("the program drew no frame");
    }
    for (int frame = 0; frame < 500; ++frame) {
        window_ = window_ != 0 ? window_ : client_->findWindow("Quendrel");
        const WindowRect rect = window_ != 0 ? client_->rect(window_) : WindowRect{};
        if (rect.width == screen_.width() && rect.height == screen_.height()) {
            // One more frame, so the reshape to that size has been handled and drawn.
            if (frames_.runFrames(2)) {
                return;
            }
            break;
        }
        if (!frames_.runFrames(1)) {
            break;
        }
    }
    throw std::runtime_error("no full-screen window titled Quendrel");
}
