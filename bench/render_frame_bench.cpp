// Our own share of a frame: renderFrame over the GL double with recording
// off, so every GL call returns at once and only the program's code is timed.
#include <benchmark/benchmark.h>

#include "gl_double.h"
#include "input/keys.h"
#include "scene/frame.h"
#include "scene/scene_state.h"

namespace {

void startBenchScene()
{
    scene = SceneState{};
    scene.cubeX = 1.5f;
    scene.cubeZ = -30.0f;
    gldouble::reset();
    gldouble::setRecording(false);
}

void renderFrameCubeOnly(benchmark::State& state)
{
    startBenchScene();
    for (auto _ : state) {
        renderFrame();
    }
    benchmark::DoNotOptimize(scene);
}
BENCHMARK(renderFrameCubeOnly);

// A flight ends after at most 27 frames; refiring at once keeps the shot step
// in every frame, as it is while a shot flies.
void renderFrameWithShot(benchmark::State& state)
{
    startBenchScene();
    for (auto _ : state) {
        if (!scene.shotActive) {
            handleKey(' ', 0, 0);
        }
        renderFrame();
    }
    benchmark::DoNotOptimize(scene);
}
BENCHMARK(renderFrameWithShot);

} // namespace

BENCHMARK_MAIN();
