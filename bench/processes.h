// The bench driver's child processes: virtual X servers, programs launched
// with the frame counter preloaded, and the clean-up that leaves none behind
// on any exit of the driver, including Ctrl-C.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

#include "frame_counter.h"

struct XServer {
    pid_t pid = -1;
    int display = -1;
};

struct RunningProgram {
    pid_t pid = -1;
    SharedCounter* counter = nullptr;
    std::string reportPath;
};

// Kills every child still running when the driver exits or is interrupted.
void installChildCleanup();

// Prints the message, then exits 1 (the clean-up ends the children).
[[noreturn]] void fail(const std::string& message);

// Children started from now on run only on these CPUs (all CPUs if empty).
void pinChildren(const std::vector<int>& cpus);

long long monotonicNs();
void sleepUntilNs(long long deadline);

// A fresh Xvfb of the given size on the first free display (-displayfd).
XServer startXServer(int width, int height);
void stopXServer(XServer& server);

// Starts `command` (a program, or valgrind and its arguments and the program)
// on the display with the counter preloaded. `files` names the counter's
// shared file and report: files + ".count", files + ".report"; its output
// goes to files + ".log".
RunningProgram launchProgram(const std::vector<std::string>& command, const XServer& server,
                             const std::string& counterLibrary, const std::string& files,
                             const std::vector<std::string>& extraEnvironment = {});

// Waits until the program has drawn `frames` frames; fails past the timeout
// or if the program ends.
void waitForFrames(const RunningProgram& program, unsigned long long frames, double timeoutSeconds);

// SIGSTOP, and wait until the program has really stopped.
void pauseProgram(const RunningProgram& program);
void resumeProgram(const RunningProgram& program);

// Asks the counter to exit(0) after the next swap and waits for the exit;
// returns the exit status, or -1 if the program had to be killed.
int finishProgram(RunningProgram& program);

// Waits up to the timeout for a program that ends by itself; -1 if killed.
int waitForExit(RunningProgram& program, double timeoutSeconds);
