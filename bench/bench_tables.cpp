// The bench driver's Markdown tables: per program, then per comparison, then
// quendrel against the cube floor in one line.
#include <cstdio>

#include "bench_figures.h"
#include "stats.h"

namespace {

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

} // namespace

void printSize(const Options& options, const std::string& size,
               const std::vector<Program>& programs, const std::vector<Figures>& figures,
               const std::vector<Comparison>& comparisons)
{
    std::printf("\n### %s\n\n", size.c_str());
    std::printf("| program | fps interleaved, median (min–max) | fps solo | first frame ms, wall "
                "(min–max) | first frame ms, CPU (min–max) | peak RSS MiB | instructions/frame "
                "|\n|---|---|---|---|---|---|---|\n");
    for (std::size_t i = 0; i < programs.size(); ++i) {
        const Figures& f = figures[i];
        std::printf("| %s | %s | %s | %s | %s | %s | %s |\n", programs[i].name.c_str(),
                    spread(f.fps, 0).c_str(), fixed(median(f.soloFps), 0).c_str(),
                    spread(f.firstFrameMs, 1).c_str(), spread(f.firstFrameCpuMs, 1).c_str(),
                    fixed(median(f.peakRssMiB), 1).c_str(),
                    fixed(f.instructionsPerFrame, 0).c_str());
    }
    std::printf("\n| fps ratio, interleaved | median of slice pairs | pairs' quartiles | launch "
                "medians (min–max) | pairs |\n|---|---|---|---|---|\n");
    for (const Comparison& c : comparisons) {
        std::printf("| %s / %s | %.3f | %.3f–%.3f | %.3f–%.3f | %zu |\n",
                    programs[c.a].name.c_str(), programs[c.b].name.c_str(), median(c.pairRatios),
                    quantile(c.pairRatios, 0.25), quantile(c.pairRatios, 0.75),
                    smallest(c.launchRatios), largest(c.launchRatios), c.pairRatios.size());
    }
    const Figures& quendrel = figures[0];
    const Figures& cube = figures[1];
    std::printf("\nquendrel / cube floor: instructions per frame %.4f (callgrind, %d frames "
                "after %d warm-up frames); first frame %.3f wall, %.3f CPU; peak RSS %.3f "
                "(medians of %d solo runs each)\n",
                quendrel.instructionsPerFrame / cube.instructionsPerFrame, options.callgrindFrames,
                options.callgrindWarmUp, median(quendrel.firstFrameMs) / median(cube.firstFrameMs),
                median(quendrel.firstFrameCpuMs) / median(cube.firstFrameCpuMs),
                median(quendrel.peakRssMiB) / median(cube.peakRssMiB), options.soloRuns);
    std::fflush(stdout);
}
