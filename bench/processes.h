// The bench driver's child processes: virtual X servers and programs with the
// frame preload, all pinned to the chosen CPUs. They are the X session's
// VirtualScreen, ChildProcess and FrameControl, so they die with the driver on
// any exit, Ctrl-C included.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "child_process.h"
#include "frame_control.h"
#include "virtual_screen.h"

struct RunningProgram {
    std::unique_ptr<FrameControl> frames; // outlives the process, for its figures
    std::unique_ptr<ChildProcess> process;
};

// Ends the run with this message: thrown, so every child is stopped and every
// frame block removed on the way out of main, which prints it and exits 1.
[[noreturn]] void fail(const std::string& message);

// Children started from now on run only on these CPUs (all CPUs if empty).
void pinChildren(const std::vector<int>& cpus);

// A fresh Xvfb of the given size on the first free display (-displayfd).
VirtualScreen startXServer(int width, int height);

// Starts `command` (a program, or valgrind and its arguments and the program)
// on the display with the frame preload, running freely; its output goes to
// `logPath`. Under callgrind it measures `callgrindFrames` frames after
// `callgrindWarmUp` and exits.
RunningProgram launchProgram(const std::vector<std::string>& command, const VirtualScreen& server,
                             const std::string& preload, const std::string& logPath,
                             std::uint64_t callgrindWarmUp = 0, std::uint64_t callgrindFrames = 0);

// Waits until the program has drawn `frames` frames; fails past the timeout.
void waitForFrames(RunningProgram& program, std::uint64_t frames);

// SIGSTOP, and wait until the program has really stopped.
void pauseProgram(const RunningProgram& program);
void resumeProgram(const RunningProgram& program);

// Asks the preload to exit(0) after the next swap and waits for the exit;
// returns the exit status, or -1 if the program had to be killed.
int finishProgram(RunningProgram& program);

// Waits up to the timeout for a program that ends by itself; -1 if killed.
int waitForExit(RunningProgram& program, std::chrono::seconds timeout);
