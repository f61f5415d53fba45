// Child processes of the bench driver, on the X session's process, server and
// frame block types; here only what the driver adds: pinning, and pausing a
// program between slices.
#include "processes.h"

#include <signal.h>
#include <sys/wait.h>

#include <cstdio>
#include <stdexcept>

namespace {

std::vector<int> childCpus;

} // namespace

void pinChildren(const std::vector<int>& cpus) { childCpus = cpus; }

void fail(const std::string& message) { throw std::runtime_error(message); }

VirtualScreen startXServer(int width, int height)
{
    try {
        return VirtualScreen(width, height, "/dev/null", childCpus);
    } catch (const std::exception& error) {
        fail(std::string(error.what()) + " (is Xvfb installed?)");
    }
}

RunningProgram launchProgram(const std::vector<std::string>& command, const VirtualScreen& server,
                             const std::string& preload, const std::string& logPath,
                             std::uint64_t callgrindWarmUp, std::uint64_t callgrindFrames)
{
    RunningProgram program;
    program.frames = std::make_unique<FrameControl>();
    program.frames->runFreely();
    FrameBlock& block = program.frames->block();
    block.callgrindWarmUp = callgrindWarmUp;
    block.callgrindFrames = callgrindFrames;

    ProcessOptions options;
    options.argv = command;
    options.outputPath = logPath;
    std::remove(logPath.c_str());
    options.cpus = childCpus;
    options.setEnv = {{"DISPLAY", server.display()},
                      {"LD_PRELOAD", preload},
                      {frameBlockVariable, program.frames->path()}};
    block.launchNs = steadyNs();
    program.process = std::make_unique<ChildProcess>(options);
    return program;
}

void waitForFrames(RunningProgram& program, std::uint64_t frames)
{
    // In short waits, so that a program that has ended fails the run at once.
    constexpr auto step = std::chrono::milliseconds(100);
    for (auto waited = step; !program.frames->waitForFrames(frames, step); waited += step) {
        if (!program.process->running()) {
            fail("program ended before drawing its frames");
        }
        if (waited > std::chrono::minutes(1)) {
            fail("program drew no frames in time");
        }
    }
}

void pauseProgram(const RunningProgram& program)
{
    const pid_t pid = program.process->pid();
    kill(pid, SIGSTOP);
    int status = 0;
    if (waitpid(pid, &status, WUNTRACED) != pid || !WIFSTOPPED(status)) {
        fail("program ended while being paused");
    }
}

void resumeProgram(const RunningProgram& program) { kill(program.process->pid(), SIGCONT); }

int finishProgram(RunningProgram& program)
{
    program.frames->block().exitRequested = 1;
    resumeProgram(program);
    return waitForExit(program, std::chrono::seconds(10));
}

int waitForExit(RunningProgram& program, std::chrono::seconds timeout)
{
    const std::optional<ProcessEnd> end = program.process->waitForEnd(timeout);
    program.process.reset(); // stops it if it is still running
    return end && end->exited ? end->code : -1;
}
