// Fuzz target: turns its input into a run of key presses, special keys,
// reshapes and frames over the recording GL double, and after every step
// checks the scene's invariants and the GL calls that step made.
//
// Input: a sequence of steps, each an opcode byte and its operands (missing
// bytes read as 0; ints are 4 bytes, little-endian):
//   op % 5 == 0  handleKey(byte key, int x, int y)
//   op % 5 == 1  handleSpecialKey(int key, int x, int y)
//   op % 5 == 2  handleReshape(int width, int height)
//   op % 5 == 3  renderFrame()
//   op % 5 == 4  renderFrame() repeated (byte % 128) + 1 times
// Escape is intercepted: it must ask for exit status 0, and it ends the run as
// it would end the process.
#include <GL/glut.h>

#include <cmath>
#include <csetjmp>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>

#include "app/render_setup.h"
#include "input/keys.h"
#include "scene/frame.h"
#include "test_support.h"

// The fuzz target is linked with --wrap=exit: calls to exit reach __wrap_exit,
// and __real_exit is the C library's.
// NOLINTNEXTLINE(bugprone-reserved-identifier,readability-identifier-naming)
extern "C" [[noreturn]] void __real_exit(int status);

namespace {

std::jmp_buf escapeReturn;
bool catchingExit = false;
int requestedStatus = -1;

} // namespace

// Inside a key handler an exit returns to the fuzz loop with the status it was
// given; anywhere else (libFuzzer's own ending) it goes through.
// NOLINTNEXTLINE(bugprone-reserved-identifier,readability-identifier-naming)
extern "C" [[noreturn]] void __wrap_exit(int status)
{
    if (catchingExit) {
        catchingExit = false;
        requestedStatus = status;
        std::longjmp(escapeReturn, 1);
    }
    __real_exit(status);
}

namespace {

// The steps, numbered as the input format above gives them.
enum Op { opKey, opSpecialKey, opReshape, opFrame, opFrames, opCount };
constexpr int maxFramesPerStep = 128;

// What the run drove, printed when libFuzzer ends the process.
struct Tally {
    long long frames = 0;
    long long keys = 0;
    long long escapes = 0;
    long long specialKeys = 0;
    long long reshapes = 0;
};
Tally tally;

void printTally()
{
    std::cerr << "scene_fuzz: " << tally.frames << " frames, " << tally.keys << " keys ("
              << tally.escapes << " Escape), " << tally.specialKeys << " special keys, "
              << tally.reshapes << " reshapes\n";
}

struct Input {
    const std::uint8_t* data;
    std::size_t size;
    std::size_t at;
};

std::uint8_t nextByte(Input& input)
{
    // NOLINTNEXTLINE(cppcoreguidelines-pro-bounds-pointer-arithmetic): libFuzzer's buffer
    return input.at < input.size ? input.data[input.at++] : 0;
}

int nextInt(Input& input)
{
    std::uint32_t bits = 0;
    for (unsigned shift = 0; shift < 32; shift += 8) {
        bits |= static_cast<std::uint32_t>(nextByte(input)) << shift;
    }
    std::int32_t value = 0;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

void require(bool holds, const char* what)
{
    if (!holds) {
        std::cerr << "broken: " << what << '\n';
        std::abort();
    }
}

bool isStep(float step) { return step == 0.0f || step == 0.1f || step == -0.1f; }

// What must hold after every step, given the record before it.
void checkInvariants(const SceneState& before)
{
    constexpr float driftReach = 10.1f;

    require(isStep(scene.cubeStepX) && isStep(scene.cubeStepY), "a step is -0.1, 0 or +0.1");
    require(scene.cubeStepX == 0.0f || scene.cubeStepY == 0.0f, "at most one step non-zero");
    require(std::fabs(scene.cubeX) <= driftReach && std::fabs(scene.cubeY) <= driftReach,
            "the cube stays within 10.1 of the centre");
    require(scene.cubeZ == -30.0f, "the cube's depth never changes");
    require(scene.cubeAxisX == scene.cubeAxisY, "cubeAxisX equals cubeAxisY");
    require(scene.cubeAngle >= before.cubeAngle && scene.cubeAxisX >= before.cubeAxisX &&
                scene.cubeAxisZ >= before.cubeAxisZ && scene.shotAngle >= before.shotAngle,
            "no angle decreases");
    require(scene.shotActive || scene.shotArmed, "the shot flags are never both false");
}

void checkReshape(int width, int height, const SceneState& before)
{
    const gldouble::Call& viewport = gldouble::call(0);
    require(gldouble::callCount() == 6 && isCall(0, "glViewport"), "a reshape sets the viewport");
    require(viewport.args[2] == width && viewport.args[3] == (height == 0 ? 1 : height),
            "the viewport is the size given, a zero height taken as 1");
    require(std::isfinite(gldouble::call(3).args[1]), "the aspect ratio is finite");
    require(isCall(4, "glMatrixMode") && gldouble::call(4).args[0] == GL_MODELVIEW &&
                isCall(5, "glLoadIdentity"),
            "a reshape leaves the model-view identity current");
    require(sceneFields(scene) == sceneFields(before), "a reshape leaves the scene unchanged");
}

// Returns false when the key ended the process, which only Escape may do.
bool pressKey(unsigned char key, int x, int y)
{
    constexpr unsigned char escapeKey = 27;

    ++tally.keys;
    if (setjmp(escapeReturn) != 0) {
        ++tally.escapes;
        require(key == escapeKey, "only Escape ends the process");
        require(requestedStatus == 0, "Escape exits with status 0");
        return false;
    }
    catchingExit = true;
    handleKey(key, x, y);
    catchingExit = false;
    require(key != escapeKey, "Escape ends the process");
    return true;
}

void runFrame()
{
    const SceneState before = scene;
    gldouble::reset();
    renderFrame();
    ++tally.frames;
    require(!gldouble::overflowed(), "a frame fits the call log");
    const std::string fault = frameFault(loggedCalls(), before.shotActive);
    require(fault.empty(), fault.c_str());
    checkInvariants(before);
}

} // namespace

// NOLINTNEXTLINE(readability-identifier-naming): libFuzzer's start-up hook
extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/)
{
    std::atexit(printTally);
    return 0;
}

// NOLINTNEXTLINE(readability-identifier-naming): libFuzzer's entry point
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    startScene();
    Input input{data, size, 0};
    while (input.at < input.size) {
        const SceneState before = scene;
        const int op = nextByte(input) % opCount;
        if (op == opFrame || op == opFrames) {
            const int frames = op == opFrames ? nextByte(input) % maxFramesPerStep + 1 : 1;
            for (int frame = 0; frame < frames; ++frame) {
                runFrame();
            }
            continue;
        }
        gldouble::reset();
        if (op == opReshape) {
            const int width = nextInt(input);
            const int height = nextInt(input);
            handleReshape(width, height);
            ++tally.reshapes;
            checkReshape(width, height, before);
        } else {
            const int key = op == opKey ? nextByte(input) : nextInt(input);
            const int x = nextInt(input);
            const int y = nextInt(input);
            if (op == opSpecialKey) {
                handleSpecialKey(key, x, y);
                ++tally.specialKeys;
            } else if (!pressKey(static_cast<unsigned char>(key), x, y)) {
                return 0;
            }
            require(gldouble::callCount() == 0, "key handlers draw nothing");
        }
        checkInvariants(before);
    }
    return 0;
}
