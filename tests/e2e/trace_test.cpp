// The real binary under apitrace for a short scripted session (a shot, two
// resizes, Escape), checked from the dump: the render state set once and in
// order, the 45-degree projection for each real window size, and every frame
// drawn as clear, cube, swap, with the shot's save and restore balanced.
#include <GL/gl.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <regex>
#include <set>
#include <utility>

#include "frame_check.h"
#include "quendrel_fixture.h"

namespace {

using Size = std::pair<int, int>;

struct TracedCall {
    std::string name; // e.g. "glViewport"
    std::string args; // as dumped: "x = 0, y = 0, width = 1024, height = 768"

    std::string text() const { return name + "(" + args + ")"; }
};

// Dump lines look like `117 glMultMatrixd(m = {1.81, 0, ...})`, optionally
// followed by ` = result` or ` // fake`; the tracer's own fake calls are left out.
std::vector<TracedCall> readTraceDump(const std::string& dumpPath)
{
    static const std::regex callLine(R"(\d+ (\w+)\((.*?)\)( = .*)?)");
    std::vector<TracedCall> calls;
    std::ifstream dump(dumpPath);
    std::smatch parts;
    for (std::string line; std::getline(dump, line);) {
        if (line.find("// fake") == std::string::npos && std::regex_match(line, parts, callLine)) {
            calls.push_back({parts[1], parts[2]});
        }
    }
    return calls;
}

// Every decimal number in the text, in order: those that start a value, not
// enum names or hex handles.
std::vector<double> numbersIn(const std::string& text)
{
    static const std::regex number(R"((?:^|[ {])(-?\d[\d.eE+-]*)(?![\w.]))");
    std::vector<double> numbers;
    for (std::sregex_iterator it(text.begin(), text.end(), number), end; it != end; ++it) {
        numbers.push_back(std::stod((*it)[1]));
    }
    return numbers;
}

// Runs the script under the tracer; returns the program's calls.
std::vector<TracedCall> traceScriptedSession()
{
    const std::string trace =
        testing::TempDir() + "quendrel-e2e-" + std::to_string(getpid()) + ".trace";
    const std::string dump = trace + ".txt";
    std::remove(trace.c_str());
    std::remove(dump.c_str());
    SessionOptions options = quendrelOptions();
    options.wrapper = {"apitrace", "trace", "-o", trace};
    {
        ProgramSession session(options);
        FrameControl& frames = session.frames();
        frames.runFrames(5);
        session.tapKey(XK_space);
        frames.runFrames(25);
        session.x().resize(session.window(), 640, 360);
        frames.runFrames(3);
        session.x().resize(session.window(), 300, 1);
        frames.runFrames(3);
        // The tracer writes the trace's end only when the program exits itself.
        const auto end = session.endWithEscape();
        EXPECT_TRUE(end && end->exited && end->code == 0) << "no clean exit under the tracer";
    }
    ProcessOptions dumper;
    dumper.argv = {"apitrace", "dump", "--color=never", trace};
    dumper.outputPath = dump;
    const auto dumped = ChildProcess(dumper).waitForEnd(std::chrono::seconds(60));
    EXPECT_TRUE(dumped && dumped->exited && dumped->code == 0) << "apitrace dump failed";
    std::vector<TracedCall> calls = readTraceDump(dump);
    std::remove(trace.c_str());
    std::remove(dump.c_str());
    return calls;
}

// The first call at or after `from` with this name, or calls.size().
std::size_t find(const std::vector<TracedCall>& calls, const std::string& name,
                 std::size_t from = 0)
{
    while (from < calls.size() && calls[from].name != name) {
        ++from;
    }
    return from;
}

void expectRenderStateSetOnceInOrderBeforeTheFirstFrame(const std::vector<TracedCall>& calls)
{
    const std::vector<std::string> expected = {
        "glShadeModel(mode = GL_SMOOTH)",
        "glClearColor(red = 0, green = 0, blue = 0, alpha = 0.5)",
        "glClearDepth(depth = 1)",
        "glEnable(cap = GL_DEPTH_TEST)",
        "glDepthFunc(func = GL_LEQUAL)",
        "glEnable(cap = GL_COLOR_MATERIAL)",
        "glHint(target = GL_PERSPECTIVE_CORRECTION_HINT, mode = GL_NICEST)",
    };
    static const std::set<std::string> stateNames = {"glShadeModel", "glClearColor", "glClearDepth",
                                                     "glEnable",     "glDisable",    "glDepthFunc",
                                                     "glHint",       "glBlendFunc",  "glCullFace"};
    std::vector<std::string> stateCalls;
    std::size_t lastStateCall = 0;
    for (std::size_t i = 0; i < calls.size(); ++i) {
        if (stateNames.count(calls[i].name) != 0) {
            stateCalls.push_back(calls[i].text());
            lastStateCall = i;
        }
    }
    EXPECT_EQ(stateCalls, expected);
    EXPECT_LT(lastStateCall, find(calls, "glClear"));
}

void expectProjectionFittedToEachRealWindowSize(const std::vector<TracedCall>& calls)
{
    const double nearPlane = 0.1f;
    const double farPlane = 100.0;
    const double focal = 1.0 / std::tan(22.5 * M_PI / 180.0);
    std::vector<Size> sizes;
    for (std::size_t i = find(calls, "glViewport"); i < calls.size();
         i = find(calls, "glViewport", i + 1)) {
        const std::vector<double> viewport = numbersIn(calls[i].args);
        ASSERT_EQ(viewport.size(), 4u) << calls[i].text();
        sizes.emplace_back(static_cast<int>(viewport[2]), static_cast<int>(viewport[3]));
        ASSERT_LT(i + 5, calls.size());
        EXPECT_EQ(calls[i + 1].text(), "glMatrixMode(mode = GL_PROJECTION)");
        EXPECT_EQ(calls[i + 2].name, "glLoadIdentity");
        EXPECT_EQ(calls[i + 4].text(), "glMatrixMode(mode = GL_MODELVIEW)");
        EXPECT_EQ(calls[i + 5].name, "glLoadIdentity");

        // Column-major, as GL takes it; every other element is 0.
        double expected[16] = {};
        expected[0] = focal / (viewport[2] / viewport[3]);
        expected[5] = focal;
        expected[10] = (farPlane + nearPlane) / (nearPlane - farPlane);
        expected[11] = -1;
        expected[14] = 2 * farPlane * nearPlane / (nearPlane - farPlane);
        const std::vector<double> matrix = numbersIn(calls[i + 3].args);
        ASSERT_EQ(calls[i + 3].name, "glMultMatrixd");
        ASSERT_EQ(matrix.size(), 16u);
        for (int k = 0; k < 16; ++k) {
            EXPECT_NEAR(matrix[k], expected[k], 1e-12 * std::max(1.0, std::abs(expected[k])))
                << "element " << k << " for " << viewport[2] << "x" << viewport[3];
        }
    }
    // The creation size may or may not be drawn first; the real sizes follow.
    ASSERT_GE(sizes.size(), 3u);
    const std::vector<Size> last(sizes.end() - 3, sizes.end());
    EXPECT_EQ(last, (std::vector<Size>{{1024, 768}, {640, 360}, {300, 1}}));
}

void expectEachFrameDrawnAsClearShotCubeSwap(const std::vector<TracedCall>& calls)
{
    int frames = 0;
    int shotFrames = 0;
    std::vector<GlCall> frame;
    for (const TracedCall& call : calls) {
        const int mode = call.args == "mode = GL_QUADS"       ? GL_QUADS
                         : call.args == "mode = GL_TRIANGLES" ? GL_TRIANGLES
                                                              : 0;
        frame.push_back({call.name, mode});
        if (call.name != "glXSwapBuffers") {
            continue;
        }
        const bool shot = std::any_of(frame.begin(), frame.end(),
                                      [](const GlCall& c) { return c.name == "glPushMatrix"; });
        EXPECT_EQ(frameFault(frame, shot), "") << "frame " << frames;
        ++frames;
        shotFrames += shot ? 1 : 0;
        frame.clear();
    }
    EXPECT_GE(frames, 36);
    // One Space with the cube at height 0: drawn at heights 0 to 16.
    EXPECT_EQ(shotFrames, 17);
}

// One session traced, for all three: a failure while tracing fails the test
// rather than leaving it skipped, which CTest would count as passing.
TEST(GlTrace, SetsTheRenderStateFitsTheProjectionAndDrawsEachFrameWhole)
{
    const std::vector<TracedCall> calls = traceScriptedSession();
    ASSERT_FALSE(HasFailure()) << "the traced session went wrong";
    ASSERT_FALSE(calls.empty()) << "no calls traced";
    expectRenderStateSetOnceInOrderBeforeTheFirstFrame(calls);
    expectProjectionFittedToEachRealWindowSize(calls);
    expectEachFrameDrawnAsClearShotCubeSwap(calls);
}

} // namespace
