// Child processes of the bench driver. Every child's pid is kept in a fixed
// table so that an exit or a signal can end them all without allocating.
#include "processes.h"

#include <fcntl.h>
#include <poll.h>
#include <sched.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <iterator>

namespace {

constexpr int maxChildren = 32;
volatile pid_t children[maxChildren];
std::vector<int> childCpus;

// Runs in a fresh child, before exec: the affinity passes to every thread.
void applyPinning()
{
    if (childCpus.empty()) {
        return;
    }
    cpu_set_t set;
    CPU_ZERO(&set);
    for (int cpu : childCpus) {
        CPU_SET(cpu, &set);
    }
    sched_setaffinity(0, sizeof set, &set);
}

void track(pid_t pid)
{
    volatile pid_t* const slot = std::find(std::begin(children), std::end(children), 0);
    if (slot != std::end(children)) {
        *slot = pid;
        return;
    }
    kill(pid, SIGKILL);
    fail("too many child processes");
}

void untrack(pid_t pid) { std::replace(std::begin(children), std::end(children), pid, 0); }

void killChildren()
{
    for (volatile pid_t& slot : children) {
        if (slot > 0) {
            kill(slot, SIGKILL);
            waitpid(slot, nullptr, 0);
            slot = 0;
        }
    }
}

void handleSignal(int signal)
{
    killChildren();
    _exit(128 + signal);
}

// Waits for the child to end, killing it after the timeout; -1 if killed.
int reap(pid_t pid, double timeoutSeconds)
{
    const long long deadline = monotonicNs() + static_cast<long long>(timeoutSeconds * 1e9);
    int status = 0;
    while (waitpid(pid, &status, WNOHANG) == 0) {
        if (monotonicNs() > deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            untrack(pid);
            return -1;
        }
        sleepUntilNs(monotonicNs() + 5000000);
    }
    untrack(pid);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

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

void installChildCleanup()
{
    std::atexit(killChildren);
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        std::signal(signal, handleSignal);
    }
}

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

XServer startXServer(int width, int height)
{
    int ready[2];
    if (pipe(ready) != 0) {
        fail("pipe");
    }
    const std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x24";
    const std::string fd = std::to_string(ready[1]);
    const pid_t pid = fork();
    if (pid == 0) {
        applyPinning();
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, 1);
        dup2(null, 2);
        close(ready[0]);
        execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", screen.c_str(),
               "-nolisten", "tcp", static_cast<char*>(nullptr));
        _exit(127);
    }
    track(pid);
    close(ready[1]);

    // Xvfb writes its display number once it accepts clients.
    std::string number;
    pollfd wait{ready[0], POLLIN, 0};
    char byte = 0;
    while (poll(&wait, 1, 10000) > 0 && read(ready[0], &byte, 1) == 1 && byte != '\n') {
        number += byte;
    }
    close(ready[0]);
    if (number.empty()) {
        fail("Xvfb did not start (is it installed?)");
    }
    return XServer{pid, std::atoi(number.c_str())};
}

void stopXServer(XServer& server)
{
    kill(server.pid, SIGTERM);
    reap(server.pid, 5.0);
    server.pid = -1;
}

RunningProgram launchProgram(const std::vector<std::string>& command, const XServer& server,
                             const std::string& counterLibrary, const std::string& files,
                             const std::vector<std::string>& extraEnvironment)
{
    RunningProgram program;
    program.counter = mapCounter(files + ".count");
    program.reportPath = files + ".report";
    std::remove(program.reportPath.c_str());

    // execvp and putenv take mutable strings: the child gets copies of its own.
    std::vector<std::string> words = command;
    std::vector<char*> argv;
    argv.reserve(words.size() + 1);
    std::transform(words.begin(), words.end(), std::back_inserter(argv),
                   [](std::string& word) { return word.data(); });
    argv.push_back(nullptr);
    std::vector<std::string> assignments = extraEnvironment;
    const std::string log = files + ".log";

    const long long launchNs = monotonicNs();
    program.pid = fork();
    if (program.pid == 0) {
        applyPinning();
        const int out = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        dup2(out, 1);
        dup2(out, 2);
        setenv("DISPLAY", (":" + std::to_string(server.display)).c_str(), 1);
        setenv("LD_PRELOAD", counterLibrary.c_str(), 1);
        setenv("QUENDREL_COUNTER_SHARED", (files + ".count").c_str(), 1);
        setenv("QUENDREL_COUNTER_REPORT", program.reportPath.c_str(), 1);
        setenv("QUENDREL_LAUNCH_NS", std::to_string(launchNs).c_str(), 1);
        for (std::string& assignment : assignments) {
            putenv(assignment.data());
        }
        execvp(argv[0], argv.data());
        _exit(127);
    }
    track(program.pid);
    return program;
}

void waitForFrames(const RunningProgram& program, unsigned long long frames, double timeoutSeconds)
{
    const long long deadline = monotonicNs() + static_cast<long long>(timeoutSeconds * 1e9);
    while (program.counter->frames.load() < frames) {
        int status = 0;
        if (waitpid(program.pid, &status, WNOHANG) == program.pid) {
            untrack(program.pid);
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
    kill(program.pid, SIGSTOP);
    int status = 0;
    if (waitpid(program.pid, &status, WUNTRACED) != program.pid || !WIFSTOPPED(status)) {
        untrack(program.pid);
        fail("program ended while being paused");
    }
}

void resumeProgram(const RunningProgram& program) { kill(program.pid, SIGCONT); }

int finishProgram(RunningProgram& program)
{
    program.counter->stopRequested.store(1);
    kill(program.pid, SIGCONT);
    return waitForExit(program, 10.0);
}

int waitForExit(RunningProgram& program, double timeoutSeconds)
{
    const int status = reap(program.pid, timeoutSeconds);
    munmap(program.counter, sizeof(SharedCounter));
    program.counter = nullptr;
    program.pid = -1;
    return status;
}
