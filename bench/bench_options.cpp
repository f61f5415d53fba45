// The bench driver's command line: program paths, sizes, launches, slices,
// solo runs, callgrind frames and the CPUs everything is pinned to.
#include <unistd.h>

#include <charconv>
#include <sstream>

#include "bench_figures.h"
#include "processes.h"

namespace {

// The whole text as a number of at least `least`, or a message naming the option.
template <typename Number>
Number parsed(const std::string& text, const std::string& option, Number least)
{
    Number value{};
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (error != std::errc() || stop != end || value < least) {
        std::ostringstream expected;
        expected << least;
        fail("bad value '" + text + "' in " + option + ": expected a number, at least " +
             expected.str());
    }
    return value;
}

std::vector<std::string> split(const std::string& list, char separator)
{
    std::vector<std::string> items;
    std::stringstream in(list);
    for (std::string item; std::getline(in, item, separator);) {
        items.push_back(item);
    }
    return items;
}

} // namespace

std::pair<int, int> parseSize(const std::string& size)
{
    const std::vector<std::string> sides = split(size, 'x');
    if (sides.size() != 2) {
        fail("bad size '" + size + "': expected WIDTHxHEIGHT");
    }
    return {parsed(sides[0], "--sizes", 1), parsed(sides[1], "--sizes", 1)};
}

namespace {

// False when no option has this name.
bool setOption(Options& options, const std::string& name, const std::string& value)
{
    if (name == "--quendrel") {
        options.quendrel = value;
    } else if (name == "--clear-floor") {
        options.clearFloor = value;
    } else if (name == "--cube-floor") {
        options.cubeFloor = value;
    } else if (name == "--preload") {
        options.preload = value;
    } else if (name == "--out") {
        options.outDir = value;
    } else if (name == "--sizes") {
        options.sizes = split(value, ',');
        for (const std::string& size : options.sizes) {
            parseSize(size);
        }
    } else if (name == "--cpus") {
        options.cpus = value;
        chosenCpus(value);
    } else if (name == "--launches") {
        options.launches = parsed(value, name, 1);
    } else if (name == "--slice-ms") {
        options.sliceMs = parsed(value, name, 1.0);
    } else if (name == "--seconds") {
        options.slicingSeconds = parsed(value, name, 0.1);
    } else if (name == "--solo-runs") {
        options.soloRuns = parsed(value, name, 1);
    } else if (name == "--callgrind-frames") {
        const std::vector<std::string> counts = split(value, ',');
        if (counts.size() != 2) {
            fail("bad value '" + value + "' in " + name + ": expected WARMUP,FRAMES");
        }
        options.callgrindWarmUp = parsed(counts[0], name, 1);
        options.callgrindFrames = parsed(counts[1], name, 1);
    } else {
        return false;
    }
    return true;
}

} // namespace

Options parseOptions(int argc, char** argv)
{
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        const std::size_t equals = argument.find('=');
        if (equals == std::string::npos || equals + 1 == argument.size() ||
            !setOption(options, argument.substr(0, equals), argument.substr(equals + 1))) {
            fail("unknown argument or no value: " + argument +
                 "; see the header of bench/bench_driver.cpp and scripts/bench");
        }
    }
    if (options.quendrel.empty() || options.clearFloor.empty() || options.cubeFloor.empty() ||
        options.preload.empty()) {
        fail("needs --quendrel= --clear-floor= --cube-floor= --preload=");
    }
    return options;
}

std::vector<int> chosenCpus(const std::string& cpus)
{
    const int online = static_cast<int>(sysconf(_SC_NPROCESSORS_ONLN));
    std::vector<int> chosen;
    if (cpus == "last") {
        chosen.push_back(online - 1);
    } else if (cpus != "all") {
        for (const std::string& cpu : split(cpus, ',')) {
            chosen.push_back(parsed(cpu, "--cpus", 0));
            if (chosen.back() >= online) {
                fail("no CPU " + cpu + " among the " + std::to_string(online) + " online");
            }
        }
    }
    return chosen;
}
