// Benchmarks quendrel against the clear and cube floors on virtual X servers:
// two programs at once, each on its own Xvfb and all on one CPU, only one
// running at a time, in ~100 ms slices in A B B A order (SIGSTOP/SIGCONT); the
// preloaded frame block's counts give one fps ratio per pair of slices. Solo
// runs and callgrind give first frame, peak RSS and instructions per frame.

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "bench_figures.h"
#include "processes.h"
#include "stats.h"

namespace {

struct Servers {
    VirtualScreen first;
    VirtualScreen second;
};

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

void requireCleanExit(RunningProgram& program, const std::string& name)
{
    if (finishProgram(program) != 0) {
        fail(name + " did not exit with status 0");
    }
}

// One fresh launch of both programs: a short warm-up side by side, then
// slices in A B B A order. Each pair of slices holds one of each program.
// Odd launches swap the X servers, launch B first and slice B first, so no
// server or place in an order favours one program over an even count of
// launches (with all launches alike, A ran ~1.5% slower against itself).
void interleaveOnce(const Options& options, const std::vector<Program>& programs,
                    const Servers& servers, int launch, Comparison& comparison,
                    std::vector<Figures>& figures, const std::string& files)
{
    const Program& programA = programs[comparison.a];
    const Program& programB = programs[comparison.b];
    const bool swapped = launch % 2 == 1;
    RunningProgram a;
    RunningProgram b;
    if (swapped) {
        b = launchProgram({programB.path}, servers.first, options.preload, files + "-b.log");
        a = launchProgram({programA.path}, servers.second, options.preload, files + "-a.log");
    } else {
        a = launchProgram({programA.path}, servers.first, options.preload, files + "-a.log");
        b = launchProgram({programB.path}, servers.second, options.preload, files + "-b.log");
    }
    // A warm-up side by side, then the measured slices.
    waitForFrames(a, 1);
    waitForFrames(b, 1);
    std::this_thread::sleep_for(std::chrono::seconds(1));
    pauseProgram(a);
    pauseProgram(b);

    const auto slice = std::chrono::nanoseconds(static_cast<long long>(options.sliceMs * 1e6));

    const int pairs =
        std::max(2, static_cast<int>(options.slicingSeconds * 1000.0 / options.sliceMs / 2.0));
    Slice totalA{0, 0};
    Slice totalB{0, 0};
    std::vector<double> launchPairs;
    std::ofstream sliceLog(files + ".slices");
    for (int pair = 0; pair < pairs; ++pair) {
        const bool aFirst = (pair + launch) % 2 == 0;
        const Slice first = runSlice(aFirst ? a : b, slice);
        const Slice second = runSlice(aFirst ? b : a, slice);
        const Slice& sliceA = aFirst ? first : second;
        const Slice& sliceB = aFirst ? second : first;
        sliceLog << sliceA.frames << ' ' << sliceA.seconds << ' ' << sliceB.frames << ' '
                 << sliceB.seconds << '\n';
        totalA = Slice{totalA.frames + sliceA.frames, totalA.seconds + sliceA.seconds};
        totalB = Slice{totalB.frames + sliceB.frames, totalB.seconds + sliceB.seconds};
        if (sliceB.frames > 0) {
            launchPairs.push_back((sliceA.frames / sliceA.seconds) /
                                  (sliceB.frames / sliceB.seconds));
        }
    }
    requireCleanExit(a, programA.name);
    requireCleanExit(b, programB.name);

    figures[comparison.a].fps.push_back(totalA.frames / totalA.seconds);
    figures[comparison.b].fps.push_back(totalB.frames / totalB.seconds);
    comparison.pairRatios.insert(comparison.pairRatios.end(), launchPairs.begin(),
                                 launchPairs.end());
    comparison.launchRatios.push_back(median(launchPairs));
}

// One program alone for 1.5 s: time to first frame, peak RSS, steady fps.
void soloRun(const Options& options, const Program& program, const VirtualScreen& server,
             Figures& figures, const std::string& files)
{
    RunningProgram running = launchProgram({program.path}, server, options.preload, files + ".log");
    waitForFrames(running, 1);
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    requireCleanExit(running, program.name);
    const FrameBlock& block = running.frames->block();
    figures.firstFrameMs.push_back(static_cast<double>(block.firstFrameNs - block.launchNs) / 1e6);
    figures.firstFrameCpuMs.push_back(static_cast<double>(block.firstFrameCpuUs) / 1e3);
    figures.peakRssMiB.push_back(static_cast<double>(block.peakRssKiB) / 1024.0);
    figures.soloFps.push_back(steadyFps(block));
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
    RunningProgram running = launchProgram(command, server, options.preload, files + ".log",
                                           static_cast<std::uint64_t>(options.callgrindWarmUp),
                                           static_cast<std::uint64_t>(options.callgrindFrames));
    if (waitForExit(running, std::chrono::seconds(900)) != 0) {
        fail(program.name + " under callgrind did not exit with status 0; see " + files + ".log");
    }
    std::ifstream in(dump + ".1");
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("totals:", 0) == 0) {
            return std::strtod(line.c_str() + 7, nullptr) /
                   static_cast<double>(options.callgrindFrames);
        }
    }
    fail("no totals line in " + dump + ".1");
}

void benchSize(const Options& options, const std::string& size)
{
    const auto [width, height] = parseSize(size);
    const std::vector<Program> programs{{"quendrel", options.quendrel},
                                        {"cube floor", options.cubeFloor},
                                        {"clear floor", options.clearFloor}};
    std::vector<Figures> figures(programs.size());
    // The last compares the cube floor with itself: the method's own noise.
    std::vector<Comparison> comparisons{{0, 2, {}, {}}, {0, 1, {}, {}}, {1, 1, {}, {}}};
    const std::string files = options.outDir + "/" + size;

    // The solo runs and callgrind get a server of their own, so the two that
    // the interleaved launches share have served alike.
    VirtualScreen soloServer = startXServer(width, height);
    std::fprintf(stderr, "%s: solo runs", size.c_str());
    for (int run = 0; run < options.soloRuns; ++run) {
        for (std::size_t k = 0; k < programs.size(); ++k) {
            // Alternate the order, so a drift in load spreads over all three.
            const std::size_t i = run % 2 == 0 ? k : programs.size() - 1 - k;
            soloRun(options, programs[i], soloServer, figures[i],
                    files + "-solo-" + std::to_string(i));
        }
        std::fprintf(stderr, ".");
    }
    std::fprintf(stderr, " interleaved launches");
    Servers servers{startXServer(width, height), startXServer(width, height)};
    for (int launch = 0; launch < options.launches; ++launch) {
        for (std::size_t c = 0; c < comparisons.size(); ++c) {
            interleaveOnce(options, programs, servers, launch, comparisons[c], figures,
                           files + "-pair-" + std::to_string(c) + "-launch-" +
                               std::to_string(launch));
        }
        std::fprintf(stderr, ".");
    }
    servers.first.stop();
    servers.second.stop();
    std::fprintf(stderr, " callgrind");
    for (std::size_t i = 0; i < programs.size(); ++i) {
        figures[i].instructionsPerFrame =
            callgrindRun(options, programs[i], soloServer, files + "-cg-" + std::to_string(i));
        std::fprintf(stderr, ".");
    }
    std::fprintf(stderr, "\n");
    soloServer.stop();

    printSize(options, size, programs, figures, comparisons);
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
        pinChildren(chosenCpus(options.cpus));
        std::error_code error;
        std::filesystem::create_directories(options.outDir, error);
        if (error) {
            fail("cannot create " + options.outDir + ": " + error.message());
        }
        std::printf("Slices of %.0f ms in A B B A order, %d fresh launches of %.1f s per pair of "
                    "programs; %d solo runs of 1.5 s each; programs and X servers on CPUs: %s.\n",
                    options.sliceMs, options.launches, options.slicingSeconds, options.soloRuns,
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
