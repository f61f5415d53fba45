// The bench driver's command line: program paths, sizes, launches, slices,
// solo runs, callgrind frames and the CPUs everything is pinned to.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "bench_figures.h"
#include "processes.h"

namespace {

std::string value(const std::string& argument, const std::string& key)
{
    return argument.rfind(key, 0) == 0 ? argument.substr(key.size()) : std::string();
}

} // namespace

Options parseOptions(int argc, char** argv)
{
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        std::string v;
        if (!(v = value(argument, "--quendrel=")).empty()) {
            options.quendrel = v;
        } else if (!(v = value(argument, "--clear-floor=")).empty()) {
            options.clearFloor = v;
        } else if (!(v = value(argument, "--cube-floor=")).empty()) {
            options.cubeFloor = v;
        } else if (!(v = value(argument, "--counter=")).empty()) {
            options.counter = v;
        } else if (!(v = value(argument, "--out=")).empty()) {
            options.outDir = v;
        } else if (!(v = value(argument, "--sizes=")).empty()) {
            options.sizes.clear();
            std::stringstream list(v);
            for (std::string size; std::getline(list, size, ',');) {
                options.sizes.push_back(size);
            }
        } else if (!(v = value(argument, "--cpus=")).empty()) {
            options.cpus = v;
        } else if (!(v = value(argument, "--launches=")).empty()) {
            options.launches = std::atoi(v.c_str());
        } else if (!(v = value(argument, "--slice-ms=")).empty()) {
            options.sliceMs = std::atof(v.c_str());
        } else if (!(v = value(argument, "--seconds=")).empty()) {
            options.slicingSeconds = std::atof(v.c_str());
        } else if (!(v = value(argument, "--solo-runs=")).empty()) {
            options.soloRuns = std::atoi(v.c_str());
        } else if (!(v = value(argument, "--callgrind-frames=")).empty()) {
            std::sscanf(v.c_str(), "%d,%d", &options.callgrindWarmUp, &options.callgrindFrames);
        } else {
            fail("unknown argument " + argument +
                 "; see the header of bench/bench_driver.cpp and scripts/bench");
        }
    }
    if (options.quendrel.empty() || options.clearFloor.empty() || options.cubeFloor.empty() ||
        options.counter.empty()) {
        fail("needs --quendrel= --clear-floor= --cube-floor= --counter=");
    }
    return options;
}

std::vector<int> chosenCpus(const std::string& cpus)
{
    std::vector<int> chosen;
    if (cpus == "last") {
        chosen.push_back(static_cast<int>(sysconf(_SC_NPROCESSORS_ONLN)) - 1);
    } else if (cpus != "all") {
        std::stringstream list(cpus);
        for (std::string cpu; std::getline(list, cpu, ',');) {
            chosen.push_back(std::atoi(cpu.c_str()));
        }
    }
    return chosen;
}
