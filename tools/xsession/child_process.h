// A child process started with fork/exec, with its own environment changes and
// output files, and ended by its process id only: the destructor stops it if
// it still runs, so no test failure leaves it behind.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <map>
#include <optional>
#include <string>
#include <vector>

struct ProcessOptions {
    std::vector<std::string> argv;
    std::map<std::string, std::string> setEnv;
    std::vector<std::string> unsetEnv;
    std::string outputPath = "/dev/null"; // stdout and stderr both go here
    int inheritedFd = -1;                 // kept open across exec (e.g. Xvfb's -displayfd)
    std::vector<int> cpus;                // runs only on these CPUs; on any if empty
};

// How a process ended, from its wait status.
struct ProcessEnd {
    bool exited = false; // false: ended by a signal
    int code = 0;        // exit status, or the signal number
};

class ChildProcess {
  public:
    explicit ChildProcess(const ProcessOptions& options);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    pid_t pid() const { return pid_; }
    bool running();
    // Waits for the process to end on its own; nothing if it still runs then.
    std::optional<ProcessEnd> waitForEnd(std::chrono::milliseconds deadline);
    // SIGTERM, then SIGKILL if it has not ended within a second.
    ProcessEnd stop();

  private:
    bool reap(int options);

    pid_t pid_ = -1;
    std::optional<ProcessEnd> end_;
};

// Ends a process this session did not fork itself (one started under a
// wrapper), by its id; nothing happens when it is already gone.
void stopForeignProcess(pid_t pid);

// Resident memory of a process in KiB, from /proc; 0 when it is gone.
long residentKiB(pid_t pid);
