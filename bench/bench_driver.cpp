// Benchmarks quendrel against the clear and cube floors on virtual X servers:
// two programs at once, each on its own Xvfb and all on one CPU, only one
// running at a time, in ~100 ms slices in A B B A order (SIGSTOP/SIGCONT); the
// preloaded counter's frames give one fps ratio per pair of slices. Solo runs
// and callgrind give first frame, peak RSS and instructions per frame.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "processes.h"
#include "stats.h"

namespace {

struct Options {
    std::string quendrel;
    std::string clearFloor;
    std::string cubeFloor;
    std::string counter;
    std::string outDir = "bench-out";
    std::vector<std::string> sizes{"1280x720", "1920x1080"};
    std::string cpus = "last";
    int launches = 5;
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
    std::vector<double> fps;                // one per interleaved launch
    std::vector<double> slicedFirstFrameMs; // one per interleaved launch
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
    std::vector<double> launchRatios;     // median of each launch's pairs
    std::vector<double> firstFrameRatios; // one per launch
};

struct Servers {
    XServer first;
    XServer second;
};

std::string value(const std::string& argument, const std::string& key)
{
    return argument.rfind(key, 0) == 0 ? argument.substr(key.size()) : std::string();
}

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

struct Slice {
    double frames;
    double seconds;
};

Slice runSlice(const RunningProgram& program, long long sliceNs)
{
    const auto before = program.counter->frames.load();
    const long long start = monotonicNs();
    resumeProgram(program);
    sleepUntilNs(start + sliceNs);
    pauseProgram(program);
    const long long end = monotonicNs();
    return Slice{static_cast<double>(program.counter->frames.load() - before),
                 static_cast<double>(end - start) / 1e9};
}

struct StartUp {
    double ranNs = 0.0;
    double firstFrameMs = -1.0;
};

void startUpSlice(const RunningProgram& program, long long sliceNs, StartUp& startUp)
{
    const long long start = monotonicNs();
    resumeProgram(program);
    sleepUntilNs(start + sliceNs);
    pauseProgram(program);
    const long long end = monotonicNs();
    if (startUp.firstFrameMs >= 0) {
        return;
    }
    const long long firstFrame = program.counter->firstFrameNs.load();
    if (firstFrame != 0) {
        startUp.firstFrameMs = (startUp.ranNs + static_cast<double>(firstFrame - start)) / 1e6;
    } else {
        startUp.ranNs += static_cast<double>(end - start);
    }
}

void requireCleanExit(RunningProgram& program, const std::string& name)
{
    if (finishProgram(program) != 0) {
        fail(name + " did not exit with status 0");
    }
}

// One fresh launch of both programs: a short warm-up side by side, then
// slices in A B B A order. Each pair of slices holds one of each program.
// Odd launches swap the X servers and start with B, so neither server nor
// place in the order favours one program.
void interleaveOnce(const Options& options, const std::vector<Program>& programs,
                    const Servers& servers, int launch, Comparison& comparison,
                    std::vector<Figures>& figures, const std::string& files)
{
    const Program& programA = programs[comparison.a];
    const Program& programB = programs[comparison.b];
    const bool swapped = launch % 2 == 1;
    RunningProgram a = launchProgram({programA.path}, swapped ? servers.second : servers.first,
                                     options.counter, files + "-a", {}, true);
    RunningProgram b = launchProgram({programB.path}, swapped ? servers.first : servers.second,
                                     options.counter, files + "-b", {}, true);
    const auto sliceNs = static_cast<long long>(options.sliceMs * 1e6);

    // Start-up is sliced like the frames, so each program's time to its first
    // frame counts only its own slices.
    StartUp startA;
    StartUp startB;
    for (int pair = 0; startA.firstFrameMs < 0 || startB.firstFrameMs < 0; ++pair) {
        if (pair == 300) {
            fail("no first frame within 300 pairs of slices");
        }
        const bool aFirst = (pair + launch) % 2 == 0;
        startUpSlice(aFirst ? a : b, sliceNs, aFirst ? startA : startB);
        startUpSlice(aFirst ? b : a, sliceNs, aFirst ? startB : startA);
    }
    figures[comparison.a].slicedFirstFrameMs.push_back(startA.firstFrameMs);
    figures[comparison.b].slicedFirstFrameMs.push_back(startB.firstFrameMs);
    comparison.firstFrameRatios.push_back(startA.firstFrameMs / startB.firstFrameMs);

    // A warm-up side by side, then the measured slices.
    resumeProgram(a);
    resumeProgram(b);
    sleepUntilNs(monotonicNs() + 1000000000LL);
    pauseProgram(a);
    pauseProgram(b);

    const int pairs =
        std::max(2, static_cast<int>(options.slicingSeconds * 1000.0 / options.sliceMs / 2.0));
    Slice totalA{0, 0};
    Slice totalB{0, 0};
    std::vector<double> launchPairs;
    std::ofstream sliceLog(files + ".slices");
    for (int pair = 0; pair < pairs; ++pair) {
        const bool aFirst = (pair + launch) % 2 == 0;
        const Slice first = runSlice(aFirst ? a : b, sliceNs);
        const Slice second = runSlice(aFirst ? b : a, sliceNs);
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
void soloRun(const Options& options, const Program& program, const XServer& server,
             Figures& figures, const std::string& files)
{
    RunningProgram running = launchProgram({program.path}, server, options.counter, files);
    waitForFrames(running, 1, 60.0);
    sleepUntilNs(monotonicNs() + 1500000000LL);
    const std::string reportPath = running.reportPath;
    requireCleanExit(running, program.name);
    std::map<std::string, double> report = readReport(reportPath);
    figures.firstFrameMs.push_back(report["first_frame_ms"]);
    figures.firstFrameCpuMs.push_back(report["first_frame_cpu_ms"]);
    figures.peakRssMiB.push_back(report["peak_rss_kib"] / 1024.0);
    figures.soloFps.push_back(report["steady_fps"]);
}

// The counters are zeroed after the warm-up frames and dumped after the
// measured ones; the dump's totals line holds all threads' instructions.
double callgrindRun(const Options& options, const Program& program, const XServer& server,
                    const std::string& files)
{
    const std::string dump = files + ".callgrind";
    const std::vector<std::string> command{"valgrind", "--tool=callgrind",
                                           "--smc-check=all-non-file",
                                           "--callgrind-out-file=" + dump, program.path};
    RunningProgram running =
        launchProgram(command, server, options.counter, files,
                      {"QUENDREL_CALLGRIND=" + std::to_string(options.callgrindWarmUp) + " " +
                       std::to_string(options.callgrindFrames)});
    if (waitForExit(running, 900.0) != 0) {
        fail(program.name + " under callgrind did not exit with status 0; see " + files + ".log");
    }
    std::ifstream in(dump + ".1");
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("totals:", 0) == 0) {
            return std::atof(line.c_str() + 7) / options.callgrindFrames;
        }
    }
    fail("no totals line in " + dump + ".1");
}

std::string fixed(double value, int decimals)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

std::string spread(const std::vector<double>& values, int decimals)
{
    return fixed(median(values), decimals) + " (" + fixed(smallest(values), decimals) + "–" +
           fixed(largest(values), decimals) + ")";
}

void printSize(const Options& options, const std::string& size,
               const std::vector<Program>& programs, const std::vector<Figures>& figures,
               const std::vector<Comparison>& comparisons)
{
    std::printf("\n### %s\n\n", size.c_str());
    std::printf("| program | fps interleaved, median (min–max) | fps solo | first frame ms, "
                "sliced (min–max) | first frame ms, solo wall | first frame ms, solo CPU | "
                "peak RSS MiB | instructions/frame |\n|---|---|---|---|---|---|---|---|\n");
    for (std::size_t i = 0; i < programs.size(); ++i) {
        const Figures& f = figures[i];
        std::printf(
            "| %s | %s | %s | %s | %s | %s | %s | %s |\n", programs[i].name.c_str(),
            spread(f.fps, 0).c_str(), fixed(median(f.soloFps), 0).c_str(),
            spread(f.slicedFirstFrameMs, 1).c_str(), fixed(median(f.firstFrameMs), 1).c_str(),
            fixed(median(f.firstFrameCpuMs), 1).c_str(), fixed(median(f.peakRssMiB), 1).c_str(),
            fixed(f.instructionsPerFrame, 0).c_str());
    }
    std::printf("\n| interleaved | fps: median of slice pairs | pairs' quartiles | launch "
                "medians (min–max) | pairs | first frame, sliced: median (min–max) |\n"
                "|---|---|---|---|---|---|\n");
    for (const Comparison& c : comparisons) {
        std::printf("| %s / %s | %.3f | %.3f–%.3f | %.3f–%.3f | %zu | %s |\n",
                    programs[c.a].name.c_str(), programs[c.b].name.c_str(), median(c.pairRatios),
                    quantile(c.pairRatios, 0.25), quantile(c.pairRatios, 0.75),
                    smallest(c.launchRatios), largest(c.launchRatios), c.pairRatios.size(),
                    spread(c.firstFrameRatios, 3).c_str());
    }
    const Figures& quendrel = figures[0];
    const Figures& cube = figures[1];
    std::printf("\nquendrel / cube floor: instructions per frame %.4f (callgrind, %d frames "
                "after %d warm-up frames); first frame %.3f sliced, %.3f solo wall, %.3f solo "
                "CPU; peak RSS %.3f (medians; %d solo runs each)\n",
                quendrel.instructionsPerFrame / cube.instructionsPerFrame, options.callgrindFrames,
                options.callgrindWarmUp,
                median(quendrel.slicedFirstFrameMs) / median(cube.slicedFirstFrameMs),
                median(quendrel.firstFrameMs) / median(cube.firstFrameMs),
                median(quendrel.firstFrameCpuMs) / median(cube.firstFrameCpuMs),
                median(quendrel.peakRssMiB) / median(cube.peakRssMiB), options.soloRuns);
    std::fflush(stdout);
}

void benchSize(const Options& options, const std::string& size)
{
    int width = 0;
    int height = 0;
    if (std::sscanf(size.c_str(), "%dx%d", &width, &height) != 2) {
        fail("bad size " + size);
    }
    const std::vector<Program> programs{{"quendrel", options.quendrel},
                                        {"cube floor", options.cubeFloor},
                                        {"clear floor", options.clearFloor}};
    std::vector<Figures> figures(programs.size());
    // The last compares the cube floor with itself: the method's own noise.
    std::vector<Comparison> comparisons{{0, 2, {}, {}, {}}, {0, 1, {}, {}, {}}, {1, 1, {}, {}, {}}};
    const std::string files = options.outDir + "/" + size;

    Servers servers{startXServer(width, height), startXServer(width, height)};
    std::fprintf(stderr, "%s: solo runs", size.c_str());
    for (int run = 0; run < options.soloRuns; ++run) {
        for (std::size_t k = 0; k < programs.size(); ++k) {
            // Alternate the order, so a drift in load spreads over all three.
            const std::size_t i = run % 2 == 0 ? k : programs.size() - 1 - k;
            soloRun(options, programs[i], servers.first, figures[i],
                    files + "-solo-" + std::to_string(i));
        }
        std::fprintf(stderr, ".");
    }
    std::fprintf(stderr, " interleaved launches");
    for (int launch = 0; launch < options.launches; ++launch) {
        for (std::size_t c = 0; c < comparisons.size(); ++c) {
            interleaveOnce(options, programs, servers, launch, comparisons[c], figures,
                           files + "-pair-" + std::to_string(c) + "-launch-" +
                               std::to_string(launch));
        }
        std::fprintf(stderr, ".");
    }
    std::fprintf(stderr, " callgrind");
    for (std::size_t i = 0; i < programs.size(); ++i) {
        figures[i].instructionsPerFrame =
            callgrindRun(options, programs[i], servers.first, files + "-cg-" + std::to_string(i));
        std::fprintf(stderr, ".");
    }
    std::fprintf(stderr, "\n");
    stopXServer(servers.first);
    stopXServer(servers.second);

    printSize(options, size, programs, figures, comparisons);
}

// "all", "last" or a comma-separated list of CPU numbers.
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

} // namespace

int main(int argc, char** argv)
{
    installChildCleanup();
    const Options options = parseOptions(argc, argv);
    pinChildren(chosenCpus(options.cpus));
    if (std::system(("mkdir -p '" + options.outDir + "'").c_str()) != 0) {
        fail("cannot create " + options.outDir);
    }
    std::printf("Slices of %.0f ms in A B B A order, %d fresh launches of %.1f s per pair of "
                "programs; %d solo runs of 1.5 s each; programs and X servers on CPUs: %s.\n",
                options.sliceMs, options.launches, options.slicingSeconds, options.soloRuns,
                options.cpus.c_str());
    for (const std::string& size : options.sizes) {
        benchSize(options, size);
    }
    return 0;
}
