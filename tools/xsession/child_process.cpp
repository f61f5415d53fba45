// Fork/exec of helper processes and their end by process id.
#include "child_process.h"

#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <thread>

namespace {

[[noreturn]] void execChild(const ProcessOptions& options)
{
    // A process group of its own keeps the test's terminal signals away from
    // it; and it dies with the session, even when a test runner kills that.
    setpgid(0, 0);
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (!options.cpus.empty()) {
        // Set before exec, the affinity passes to every thread of the program.
        cpu_set_t set;
        CPU_ZERO(&set);
        for (int cpu : options.cpus) {
            CPU_SET(cpu, &set);
        }
        sched_setaffinity(0, sizeof set, &set);
    }
    for (const auto& [name, value] : options.setEnv) {
        setenv(name.c_str(), value.c_str(), 1);
    }
    for (const std::string& name : options.unsetEnv) {
        unsetenv(name.c_str());
    }
    const int output = open(options.outputPath.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    const int input = open("/dev/null", O_RDONLY);
    if (output < 0 || input < 0) {
        // Not the program with its output somewhere unlooked-at: the caller
        // sees status 127, as for a program that cannot be started.
        _exit(127);
    }
    dup2(input, STDIN_FILENO);
    dup2(output, STDOUT_FILENO);
    dup2(output, STDERR_FILENO);
    if (options.inheritedFd >= 0) {
        fcntl(options.inheritedFd, F_SETFD, 0);
    }
    // execvp takes mutable strings: copies of the arguments serve.
    std::vector<std::string> words = options.argv;
    std::vector<char*> args;
    args.reserve(words.size() + 1);
    std::transform(words.begin(), words.end(), std::back_inserter(args),
                   [](std::string& word) { return word.data(); });
    args.push_back(nullptr);
    execvp(args[0], args.data());
    _exit(127);
}

} // namespace

ChildProcess::ChildProcess(const ProcessOptions& options)
{
    if (options.argv.empty()) {
        throw std::invalid_argument("no program to start");
    }
    pid_ = fork();
    if (pid_ < 0) {
        throw std::runtime_error("fork failed");
    }
    if (pid_ == 0) {
        execChild(options);
    }
}

ChildProcess::~ChildProcess()
{
    if (running()) {
        stop();
    }
}

bool ChildProcess::reap(int options)
{
    int status = 0;
    if (waitpid(pid_, &status, options) != pid_) {
        return false;
    }
    const bool exited = WIFEXITED(status);
    end_ = ProcessEnd{exited, exited ? WEXITSTATUS(status) : WTERMSIG(status)};
    return true;
}

bool ChildProcess::running() { return !end_ && !reap(WNOHANG); }

std::optional<ProcessEnd> ChildProcess::waitForEnd(std::chrono::milliseconds deadline)
{
    const auto until = std::chrono::steady_clock::now() + deadline;
    while (running() && std::chrono::steady_clock::now() < until) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return end_;
}

ProcessEnd ChildProcess::stop()
{
    if (running()) {
        kill(pid_, SIGTERM);
        if (!waitForEnd(std::chrono::seconds(1))) {
            kill(pid_, SIGKILL);
            reap(0);
        }
    }
    return *end_;
}

void stopForeignProcess(pid_t pid)
{
    if (pid <= 0 || kill(pid, SIGTERM) != 0) {
        return;
    }
    for (int i = 0; i < 100 && kill(pid, 0) == 0; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    kill(pid, SIGKILL);
}

long residentKiB(pid_t pid)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string field;
    while (status >> field) {
        if (field == "VmRSS:") {
            long kib = 0;
            status >> kib;
            return kib;
        }
    }
    return 0;
}
