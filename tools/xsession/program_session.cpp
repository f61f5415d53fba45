// Start-up and shut-down of a program under its own Xvfb.
#include "program_session.h"

#include <stdexcept>

ProgramSession::ProgramSession(const SessionOptions& options)
    : screen_(options.screenWidth, options.screenHeight)
{
    ProcessOptions process;
    process.argv = options.wrapper;
    process.argv.push_back(options.program);
    process.argv.insert(process.argv.end(), options.arguments.begin(), options.arguments.end());
    process.setEnv = options.environment;
    process.setEnv["DISPLAY"] = screen_.display();
    process.setEnv["LD_PRELOAD"] = options.pacer;
    process.setEnv[frameBlockVariable] = frames_.path();
    process.outputPath = options.logPath;
    program_ = std::make_unique<ChildProcess>(process);
    try {
        client_ = std::make_unique<XClient>(screen_.display());
        waitForFullScreenWindow(options.title);
    } catch (...) {
        stopProgram();
        throw;
    }
}

ProgramSession::~ProgramSession()
{
    stopProgram();
    client_.reset();
    screen_.stop();
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

void ProgramSession::waitForFullScreenWindow(const std::string& title)
{
    // The first frame may come before the window is mapped or made full size;
    // step one frame at a time until both are seen.
    if (!frames_.firstFrame()) {
        throw std::runtime_error("the program drew no frame");
    }
    for (int frame = 0; frame < 500; ++frame) {
        window_ = window_ != 0 ? window_ : client_->findWindow(title);
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
    throw std::runtime_error("no full-screen window titled " + title);
}
