// What the bench driver measures and prints: its options, the programs it
// compares, each program's figures and each comparison's ratios.
#pragma once

#include <string>
#include <utility>
#include <vector>

struct Options {
    std::string quendrel;
    std::string clearFloor;
    std::string cubeFloor;
    std::string preload;
    std::string outDir = "bench-out";
    std::vector<std::string> sizes{"1280x720", "1920x1080"};
    std::string cpus = "last";
    int launches = 6; // even: odd launches swap servers and orders
    double sliceMs = 100.0;
    double slicingSeconds = 4.0;
    int soloRuns = 7;
    int callgrindWarmUp = 30;
    int callgrindFrames = 100;
};

struct Program {
    std::string name;
    std::string path;
};

struct Figures {
    std::vector<double> fps; // one per interleaved launch
    std::vector<double> firstFrameMs;
    std::vector<double> firstFrameCpuMs;
    std::vector<double> peakRssMiB;
    std::vector<double> soloFps;
    double instructionsPerFrame = 0.0;
};

struct Comparison {
    int a;
    int b;
    std::vector<double> pairRatios;
    std::vector<double> launchRatios; // median of each launch's pairs
};

// Reads --name=value arguments; fails with a message on anything unknown and
// on any value out of its range.
Options parseOptions(int argc, char** argv);

// Width and height of a size such as "1280x720"; fails with a message if it is not one.
std::pair<int, int> parseSize(const std::string& size);

// The CPUs named by --cpus: "all" (none pinned), "last", or a list like "0,1".
std::vector<int> chosenCpus(const std::string& cpus);

// Prints one size's tables in Markdown: programs, then ratios.
void printSize(const Options& options, const std::string& size,
               const std::vector<Program>& programs, const std::vector<Figures>& figures,
               const std::vector<Comparison>& comparisons);
