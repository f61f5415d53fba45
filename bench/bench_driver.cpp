// Benchmarks quendrel against the clear and cube floors on virtual X servers:
// two programs at once, each on its own Xvfb and all on one CPU. Each starts
// alone (the first is stopped at its first frame before the second starts);
// then only one runs at a time, in ~100 ms slices in A B B A order
// (SIGSTOP/SIGCONT). The preloaded frame block gives the time to first frame,
// one fps ratio per pair of slices and, at the exit, the peak RSS; callgrind
// gives instructions per frame.
// Options, as --name=value or --name value: --quendrel, --clear-floor,
// --cube-floor and --preload (paths, required); --out, --sizes (e.g.
// 1280x720,1920x1080), --cpus (last, all or a list like 0,1), --launches,
// --slice-ms, --seconds, --callgrind-frames=WARMUP,FRAMES.
#include <getopt.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "child_process.h"
#include "frame_control.h"
#include "stats.h"
#include "virtual_screen.h"

namespace {

// The options, their defaults in parseOptions.
struct Options {
    std::string quendrel;
    std::string clearFloor;
    std::string cubeFloor;
    std::string preload;
    std::string outDir;
    std::vector<std::string> sizes;
    std::string cpus;
    std::vector<int> cpuList{}; // from cpus; empty: not pinned
    int launches = 0;           // even: odd launches swap servers and orders
    double sliceMs = 0.0;
    double slicingSeconds = 0.0;
    int callgrindWarmUp = 0;
    int callgrindFrames = 0;
};

// A program's figures: one of each per launch it took part in.
struct Program {
    std::string name;
    std::string path;
    std::vector<double> fps{};
    std::vector<double> firstFrameMs{};
    std::vector<double> firstFrameCpuMs{};
    std::vector<double> peakRssMiB{};
    double instructionsPerFrame = 0.0;
};

// A against B: the fps ratio of every pair of slices, and each launch's median.
struct Comparison {
    Program* a;
    Program* b;
    std::vector<double> pairRatios{};
    std::vector<double> launchRatios{};
};

// Ends the run with this message: thrown, so every child is stopped and every
// frame block removed on the way out of main, which prints it and exits 1.
[[noreturn]] void fail(const std::string& message) { throw std::runtime_error(message); }

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
        fail("bad value '" + text + "' in --" + option + ": expected a number, at least " +
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

// Width and height of a size such as "1280x720".
std::pair<int, int> parseSize(const std::string& size)
{
    const std::vector<std::string> sides = split(size, 'x');
    if (sides.size() != 2) {
        fail("bad size '" + size + "': expected WIDTHxHEIGHT");
    }
    return {parsed(sides[0], "sizes", 1), parsed(sides[1], "sizes", 1)};
}

// The CPUs named by --cpus: "all" (none pinned), "last", or a list like "0,1".
std::vector<int> chosenCpus(const std::string& cpus)
{
    const int online = static_cast<int>(sysconf(_SC_NPROCESSORS_ONLN));
    if (cpus == "last" || cpus == "all") {
        return cpus == "last" ? std::vector<int>{online - 1} : std::vector<int>{};
    }
    std::vector<int> chosen;
    for (const std::string& cpu : split(cpus, ',')) {
        chosen.push_back(parsed(cpu, "cpus", 0));
        if (chosen.back() >= online) {
            fail("no CPU " + cpu + " among the " + std::to_string(online) + " online");
        }
    }
    return chosen;
}

// Reads the options through getopt_long, which names an unknown option or a
// missing value itself; fails on those, on a missing path and on any value
// out of its range.
Options parseOptions(int argc, char** argv)
{
    // Every option, with its default; the paths have none.
    std::map<std::string, std::string> given{
        {"quendrel", ""},
        {"clear-floor", ""},
        {"cube-floor", ""},
        {"preload", ""},
        {"out", "bench-out"},
        {"sizes", "1280x720,1920x1080"},
        {"cpus", "last"},
        {"launches", "6"},
        {"slice-ms", "100"},
        {"seconds", "4"},
        {"callgrind-frames", "30,100"},
    };
    // A code of its own for each (past any character), so that getopt_long
    // reports an ambiguous abbreviation such as --c instead of taking the first.
    int nextCode = 256;
    std::vector<option> known;
    std::transform(given.begin(), given.end(), std::back_inserter(known),
                   [&nextCode](const auto& entry) {
                       return option{entry.first.c_str(), required_argument, nullptr, nextCode++};
                   });
    known.push_back({});
    int index = 0;
    for (int code = 0; (code = getopt_long(argc, argv, "", known.data(), &index)) != -1;) {
        if (code == '?') {
            fail("see the options in the header of bench/bench_driver.cpp or in scripts/bench");
        }
        given[known[index].name] = optarg;
    }
    if (optind != argc) {
        fail(std::string("unexpected argument ") + argv[optind]);
    }
    const std::vector<std::string> callgrindFrames = split(given["callgrind-frames"], ',');
    if (callgrindFrames.size() != 2) {
        fail("bad value '" + given["callgrind-frames"] +
             "' in --callgrind-frames: expected WARMUP,FRAMES");
    }
    Options options{given["quendrel"], given["clear-floor"], given["cube-floor"],
                    given["preload"],  given["out"],         split(given["sizes"], ','),
                    given["cpus"]};
    options.cpuList = chosenCpus(options.cpus);
    options.launches = parsed(given["launches"], "launches", 1);
    options.sliceMs = parsed(given["slice-ms"], "slice-ms", 1.0);
    options.slicingSeconds = parsed(given["seconds"], "seconds", 0.1);
    options.callgrindWarmUp = parsed(callgrindFrames[0], "callgrind-frames", 1);
    options.callgrindFrames = parsed(callgrindFrames[1], "callgrind-frames", 1);
    for (const std::string& size : options.sizes) {
        parseSize(size);
    }
    for (const char* path : {"quendrel", "clear-floor", "cube-floor", "preload"}) {
        if (given[path].empty()) {
            fail(std::string("needs --") + path);
        }
    }
    return options;
}

// A program with the frame preload, running freely; the block outlives the
// process, for its figures.
struct RunningProgram {
    std::unique_ptr<FrameControl> frames;
    std::unique_ptr<ChildProcess> process;
};

// Starts `command` (a program, or valgrind and its arguments and the program)
// on the display; its output goes to `logPath`. Under callgrind it measures
// `callgrindFrames` frames after `callgrindWarmUp` and exits.
RunningProgram launchProgram(const Options& options, const std::vector<std::string>& command,
                             const VirtualScreen& server, const std::string& logPath,
                             std::uint64_t callgrindWarmUp = 0, std::uint64_t callgrindFrames = 0)
{
    RunningProgram program{std::make_unique<FrameControl>(), nullptr};
    program.frames->runFreely();
    FrameBlock& block = program.frames->block();
    block.callgrindWarmUp = callgrindWarmUp;
    block.callgrindFrames = callgrindFrames;
    ProcessOptions process;
    process.argv = command;
    process.outputPath = logPath;
    std::filesystem::remove(logPath);
    process.cpus = options.cpuList;
    process.setEnv = {{"DISPLAY", server.display()},
                      {"LD_PRELOAD", options.preload},
                      {frameBlockVariable, program.frames->path()}};
    block.launchNs = steadyNs();
    program.process = std::make_unique<ChildProcess>(process);
    return program;
}

// Waits until the program has drawn `frames` frames; in short waits, so that
// a program that has ended fails the run at once.
void waitForFrames(RunningProgram& program, std::uint64_t frames)
{
    constexpr auto step = std::chrono::milliseconds(100);
    for (auto waited = step; !program.frames->waitForFrames(frames, step); waited += step) {
        if (!program.process->running()) {
            fail("program ended before drawing its frames");
        }
        if (waited > std::chrono::minutes(1)) {
            fail("program drew no frames in time");
        }
    }
}

// SIGSTOP, and wait until the program has really stopped.
void pauseProgram(const RunningProgram& program)
{
    const pid_t pid = program.process->pid();
    kill(pid, SIGSTOP);
    int status = 0;
    if (waitpid(pid, &status, WUNTRACED) != pid || !WIFSTOPPED(status)) {
        fail("program ended while being paused");
    }
}

void resumeProgram(const RunningProgram& program) { kill(program.process->pid(), SIGCONT); }

// Waits up to the timeout for the program's exit, which must be with status 0.
void requireCleanExit(RunningProgram& program, std::chrono::seconds timeout,
                      const std::string& failure)
{
    const std::optional<ProcessEnd> end = program.process->waitForEnd(timeout);
    program.process.reset(); // stops it if it is still running
    if (!end || !end->exited || end->code != 0) {
        fail(failure);
    }
}

struct Slice {
    double frames;
    double seconds;
};

Slice runSlice(const RunningProgram& program, std::chrono::nanoseconds slice)
{
    const std::uint64_t before = program.frames->framesShown();
    const auto start = SteadyClock::now();
    resumeProgram(program);
    std::this_thread::sleep_until(start + slice);
    pauseProgram(program);
    const std::chrono::duration<double> seconds = SteadyClock::now() - start;
    const std::uint64_t after = program.frames->framesShown();
    // The count grew while the program ran in between.
    // cppcheck-suppress duplicateExpression
    return Slice{static_cast<double>(after - before), seconds.count()};
}

// One fresh launch of both programs, each started alone (the first stops at
// its first frame before the second starts), a short warm-up side by side,
// then slices in A B B A order. Each pair of slices holds one of each
// program. Odd launches swap the X servers, launch B first and slice B first,
// so no server or place in an order favours one program over an even count of
// launches (with all launches alike, A ran ~1.5% slower against itself).
void interleaveOnce(const Options& options, Comparison& comparison,
                    const VirtualScreen (&servers)[2], int launch, const std::string& files)
{
    Program* program[2]{comparison.a, comparison.b};
    const int swapped = launch % 2;
    RunningProgram running[2];
    for (int server = 0; server < 2; ++server) {
        const int k = server ^ swapped; // 0: A, 1: B
        running[k] = launchProgram(options, {program[k]->path}, servers[server],
                                   files + (k == 0 ? "-a.log" : "-b.log"));
        waitForFrames(running[k], 1);
        pauseProgram(running[k]);
    }
    for (const RunningProgram& each : running) {
        resumeProgram(each);
    }
    std::this_thread::sleep_for(std::chrono::seconds(1));
    for (const RunningProgram& each : running) {
        pauseProgram(each);
    }

    const auto slice = std::chrono::nanoseconds(static_cast<long long>(options.sliceMs * 1e6));
    const int pairs =
        std::max(2, static_cast<int>(options.slicingSeconds * 1000.0 / options.sliceMs / 2.0));
    Slice total[2]{{0, 0}, {0, 0}};
    std::vector<double> launchPairs;
    std::ofstream sliceLog(files + ".slices");
    for (int pair = 0; pair < pairs; ++pair) {
        const int first = (pair + launch) % 2;
        Slice slices[2]{};
        slices[first] = runSlice(running[first], slice);
        slices[1 - first] = runSlice(running[1 - first], slice);
        sliceLog << slices[0].frames << ' ' << slices[0].seconds << ' ' << slices[1].frames << ' '
                 << slices[1].seconds << '\n';
        for (int k = 0; k < 2; ++k) {
            total[k].frames += slices[k].frames;
            total[k].seconds += slices[k].seconds;
        }
        if (slices[1].frames > 0) {
            launchPairs.push_back((slices[0].frames / slices[0].seconds) /
                                  (slices[1].frames / slices[1].seconds));
        }
    }
    for (int k = 0; k < 2; ++k) {
        // The preload exits after the next swap.
        running[k].frames->block().exitRequested = 1;
        resumeProgram(running[k]);
        requireCleanExit(running[k], std::chrono::seconds(10),
                         program[k]->name + " did not exit with status 0");
        const FrameBlock& block = running[k].frames->block();
        program[k]->fps.push_back(total[k].frames / total[k].seconds);
        program[k]->firstFrameMs.push_back(
            static_cast<double>(block.firstFrameNs - block.launchNs) / 1e6);
        program[k]->firstFrameCpuMs.push_back(static_cast<double>(block.firstFrameCpuUs) / 1e3);
        program[k]->peakRssMiB.push_back(static_cast<double>(block.peakRssKiB) / 1024.0);
    }
    comparison.pairRatios.insert(comparison.pairRatios.end(), launchPairs.begin(),
                                 launchPairs.end());
    comparison.launchRatios.push_back(median(launchPairs));
}

// The counters are zeroed after the warm-up frames and dumped after the
// measured ones; the dump's totals line holds all threads' instructions.
double callgrindRun(const Options& options, const Program& program, const VirtualScreen& server,
                    const std::string& files)
{
    const std::string dump = files + ".callgrind";
    const std::vector<std::string> command{"valgrind", "--tool=callgrind",
                                           "--smc-check=all-non-file",
                                           "--callgrind-out-file=" + dump, program.path};
    RunningProgram running = launchProgram(options, command, server, files + ".log",
                                           static_cast<std::uint64_t>(options.callgrindWarmUp),
                                           static_cast<std::uint64_t>(options.callgrindFrames));
    requireCleanExit(running, std::chrono::seconds(900),
                     program.name + " under callgrind did not exit with status 0; see " + files +
                         ".log");
    std::ifstream in(dump + ".1");
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("totals:", 0) == 0) {
            return std::strtod(line.c_str() + 7, nullptr) /
                   static_cast<double>(options.callgrindFrames);
        }
    }
    fail("no totals line in " + dump + ".1");
}

// Median (min–max).
std::string spread(const std::vector<double>& values, int decimals)
{
    char text[96];
    std::snprintf(text, sizeof text, "%.*f (%.*f–%.*f)", decimals, median(values), decimals,
                  quantile(values, 0.0), decimals, quantile(values, 1.0));
    return text;
}

// One size's tables in Markdown: per program, then per comparison, then
// quendrel against the cube floor in one line.
void printSize(const Options& options, const std::string& size,
               const std::vector<Program*>& programs, const std::vector<Comparison>& comparisons)
{
    std::printf("\n### %s\n\n| program | fps interleaved, median (min–max) | first frame ms, wall "
                "(min–max) | first frame ms, CPU (min–max) | peak RSS MiB | instructions/frame "
                "|\n|---|---|---|---|---|---|\n",
                size.c_str());
    for (const Program* p : programs) {
        std::printf("| %s | %s | %s | %s | %.1f | %.0f |\n", p->name.c_str(),
                    spread(p->fps, 0).c_str(), spread(p->firstFrameMs, 1).c_str(),
                    spread(p->firstFrameCpuMs, 1).c_str(), median(p->peakRssMiB),
                    p->instructionsPerFrame);
    }
    std::printf("\n| fps ratio, interleaved | median of slice pairs | pairs' quartiles | launch "
                "medians (min–max) | pairs |\n|---|---|---|---|---|\n");
    for (const Comparison& c : comparisons) {
        std::printf("| %s / %s | %.3f | %.3f–%.3f | %.3f–%.3f | %zu |\n", c.a->name.c_str(),
                    c.b->name.c_str(), median(c.pairRatios), quantile(c.pairRatios, 0.25),
                    quantile(c.pairRatios, 0.75), quantile(c.launchRatios, 0.0),
                    quantile(c.launchRatios, 1.0), c.pairRatios.size());
    }
    const Program& quendrel = *programs[0];
    const Program& cube = *programs[1];
    std::printf("\nquendrel / cube floor: instructions per frame %.4f (callgrind, %d frames "
                "after %d warm-up frames); first frame %.3f wall, %.3f CPU; peak RSS %.3f "
                "(medians over the launches)\n",
                quendrel.instructionsPerFrame / cube.instructionsPerFrame, options.callgrindFrames,
                options.callgrindWarmUp, median(quendrel.firstFrameMs) / median(cube.firstFrameMs),
                median(quendrel.firstFrameCpuMs) / median(cube.firstFrameCpuMs),
                median(quendrel.peakRssMiB) / median(cube.peakRssMiB));
    std::fflush(stdout);
}

void benchSize(const Options& options, const std::string& size)
{
    const auto [width, height] = parseSize(size);
    Program quendrel{"quendrel", options.quendrel};
    Program cube{"cube floor", options.cubeFloor};
    Program clear{"clear floor", options.clearFloor};
    const std::vector<Program*> programs{&quendrel, &cube, &clear};
    // The last compares the cube floor with itself: the method's own noise.
    std::vector<Comparison> comparisons{{&quendrel, &clear}, {&quendrel, &cube}, {&cube, &cube}};
    const std::string files = options.outDir + "/" + size;
    const VirtualScreen servers[2]{{width, height, options.cpuList},
                                   {width, height, options.cpuList}};
    std::fprintf(stderr, "%s: interleaved launches", size.c_str());
    for (int launch = 0; launch < options.launches; ++launch) {
        for (std::size_t c = 0; c < comparisons.size(); ++c) {
            interleaveOnce(options, comparisons[c], servers, launch,
                           files + "-pair-" + std::to_string(c) + "-launch-" +
                               std::to_string(launch));
        }
        std::fprintf(stderr, ".");
    }
    std::fprintf(stderr, " callgrind");
    for (std::size_t i = 0; i < programs.size(); ++i) {
        programs[i]->instructionsPerFrame =
            callgrindRun(options, *programs[i], servers[0], files + "-cg-" + std::to_string(i));
        std::fprintf(stderr, ".");
    }
    std::fprintf(stderr, "\n");
    printSize(options, size, programs, comparisons);
}

} // namespace

int main(int argc, char** argv)
{
    // The children die with the driver; an interrupt must end it even when a
    // shell started it in the background with SIGINT ignored.
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        std::signal(signal, SIG_DFL);
    }
    try {
        const Options options = parseOptions(argc, argv);
        std::error_code error;
        std::filesystem::create_directories(options.outDir, error);
        if (error) {
            fail("cannot create " + options.outDir + ": " + error.message());
        }
        std::printf("Slices of %.0f ms in A B B A order, %d fresh launches of %.1f s per pair of "
                    "programs, each started alone; programs and X servers on CPUs: %s.\n",
                    options.sliceMs, options.launches, options.slicingSeconds,
                    options.cpus.c_str());
        for (const std::string& size : options.sizes) {
            benchSize(options, size);
        }
    } catch (const std::exception& failure) {
        std::fprintf(stderr, "\nbench_driver: %s\n", failure.what());
        return 1;
    }
    return 0;
}
