// The bench driver's child processes: virtual X servers and programs launched
// with the frame counter preloaded, all pinned to the chosen CPUs. Both are the
// X session's VirtualScreen and ChildProcess, so they die with the driver on
// any exit, Ctrl-C included.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "child_process.h"
#include "frame_counter.h"
#include "virtual_screen.h"

struct RunningProgram {
    std::unique_ptr<ChildProcess> process;
    SharedCounter* counter = nullptr;
    std::string reportPath;
};

// Prints the message, then exits 1; the children end with the driver.
[[noreturn]] void fail(const std::string& message);

// Children started from now on run only on these CPUs (all CPUs if empty).
void pinChildren(const std::vector<int>& cpus);

long long monotonicNs();
void sleepUntilNs(long long deadline);

// A fresh Xvfb of the given size on the first free display (-displayfd).
VirtualScreen startXServer(int width, int height);

// Starts `command` (a program, or valgrind and its arguments and the program)
// on the display with the counter preloaded. `files` names the counter's
// shared file and report: files + ".count", files + ".report"; its output
// goes to files + ".log".
RunningProgram launchProgram(const std::vector<std::string>& command, const VirtualScreen& server,
                             const std::string& counterLibrary, const std::string& files,
                             const std::map<std::string, std::string>& extraEnvironment = {});

// Waits until the program has drawn `frames` frames; fails past the timeout
// or if the program ends.
void waitForFrames(RunningProgram& program, unsigned long long frames, double timeoutSeconds);

// SIGSTOP, and wait until the program has really stopped.
void pauseProgram(const RunningProgram& program);
void resumeProgram(const RunningProgram& program);

// Asks the counter to exit(0) after the next swap and waits for the exit;
// returns the exit status, or -1 if the program had to be killed.
int finishProgram(RunningProgram& program);

// Waits up to the timeout for a program that ends by itself; -1 if killed.
int waitForExit(RunningProgram& program, double timeoutSeconds);
