// Child processes of the bench driver, on the X session's process and server
// types; here only what the driver adds: pinning, the shared frame counter,
// and pausing a program between slices.
#include "processes.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace {

std::vector<int> childCpus;

SharedCounter* mapCounter(const std::string& path)
{
    const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0600);
    if (fd < 0 || ftruncate(fd, sizeof(SharedCounter)) != 0) {
        fail("cannot create " + path);
    }
    void* mapped = mmap(nullptr, sizeof(SharedCounter), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    close(fd);
    if (mapped == MAP_FAILED) {
        fail("cannot map " + path);
    }
    // A fresh file is all zeros: no frames, no stop request.
    return static_cast<SharedCounter*>(mapped);
}

} // namespace

void pinChildren(const std::vector<int>& cpus) { childCpus = cpus; }

void fail(const std::string& message)
{
    std::fprintf(stderr, "bench_driver: %s\n", message.c_str());
    std::exit(1);
}

long long monotonicNs()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec * 1000000000LL + now.tv_nsec;
}

void sleepUntilNs(long long deadline)
{
    const timespec until{static_cast<time_t>(deadline / 1000000000LL),
                         static_cast<long>(deadline % 1000000000LL)};
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &until, nullptr) != 0) {
    }
}

VirtualScreen startXServer(int width, int height)
{
    try {
        return VirtualScreen(width, height, "/dev/null", childCpus);
    } catch (const std::exception& error) {
        fail(std::string(error.what()) + " (is Xvfb installed?)");
    }
}

RunningProgram launchProgram(const std::vector<std::string>& command, const VirtualScreen& server,
                             const std::string& counterLibrary, const std::string& files,
                             const std::map<std::string, std::string>& extraEnvironment)
{
    RunningProgram program;
    program.counter = mapCounter(files + ".count");
    program.reportPath = files + ".report";
    std::remove(program.reportPath.c_str());

    ProcessOptions options;
    options.argv = command;
    options.outputPath = files + ".log";
    std::remove(options.outputPath.c_str());
    options.cpus = childCpus;
    options.setEnv = extraEnvironment;
    options.setEnv["DISPLAY"] = server.display();
    options.setEnv["LD_PRELOAD"] = counterLibrary;
    options.setEnv["QUENDREL_COUNTER_SHARED"] = files + ".count";
    options.setEnv["QUENDREL_COUNTER_REPORT"] = program.reportPath;
    options.setEnv["QUENDREL_LAUNCH_NS"] = std::to_string(monotonicNs());
    program.process = std::make_unique<ChildProcess>(options);
    return program;
}

void waitForFrames(RunningProgram& program, unsigned long long frames, double timeoutSeconds)
{
    const long long deadline = monotonicNs() + static_cast<long long>(timeoutSeconds * 1e9);
    while (program.counter->frames.load() < frames) {
        if (!program.process->running()) {
            fail("program ended before drawing its frames; see " + program.reportPath +
                 " and the .log beside it");
        }
        if (monotonicNs() > deadline) {
            fail("program drew no frames in time");
        }
        sleepUntilNs(monotonicNs() + 2000000);
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
    program.counter->stopRequested.store(1);
    resumeProgram(program);
    return waitForExit(program, 10.0);
}

int waitForExit(RunningProgram& program, double timeoutSeconds)
{
    const auto timeout = std::chrono::milliseconds(static_cast<long long>(timeoutSeconds * 1e3));
    const std::optional<ProcessEnd> end = program.process->waitForEnd(timeout);
    program.process.reset(); // stops it if it is still running
    munmap(program.counter, sizeof(SharedCounter));
    program.counter = nullptr;
    return end && end->exited ? end->code : -1;
}
