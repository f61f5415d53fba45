// Reading an apitrace dump: one entry per call the program made, with the
// tracer's own "fake" calls left out, and the numbers in a call's arguments.
#pragma once

#include <string>
#include <vector>

struct TracedCall {
    std::string name; // e.g. "glViewport"
    std::string args; // as dumped: "x = 0, y = 0, width = 1024, height = 768"

    std::string text() const { return name + "(" + args + ")"; }
};

std::vector<TracedCall> readTraceDump(const std::string& dumpPath);

// Every decimal number in the text, in order (enum names and hex handles skipped).
std::vector<double> numbersIn(const std::string& text);
