// More than 2^25 frames with GL a no-op: every rotation value grows until its
// single-precision step rounds away, holds there for good, never decreases,
// and the cube and a shot still draw at the end. Under an emulator, where that
// takes ten times as long, QUENDREL_LONG_RUN_LEAD=N starts each rotation N
// frames before its limit instead, and runs 2^20 frames past them.
#include <gtest/gtest.h>

#include <GL/glut.h>

#include <cstdlib>

#include "input/keys.h"
#include "scene/frame.h"
#include "test_support.h"

namespace {

constexpr long long fullRunFrames = (1LL << 25) + (1LL << 20);
constexpr long long framesPastLimits = 1LL << 20;

// Where adding each step rounds away in single precision.
constexpr float angleLimit = 16777216.0f;     // 2^24, step 1
constexpr float axisZLimit = 2097152.0f;      // 2^21, step 0.1
constexpr float axisXYLimit = 33554432.0f;    // 2^25, step 1.1
constexpr float shotSpinLimit = 268435456.0f; // 2^28, step 15

// Frames before the limits at the start, or 0 for the whole run from start-up.
long long leadFrames()
{
    const char* lead = std::getenv("QUENDREL_LONG_RUN_LEAD");
    return lead != nullptr ? std::atoll(lead) : 0;
}

// Values the run from start-up passes through, `lead` frames before each
// stops: below its limit each step rounds to the spacing of floats there
// (1, 2, 0.125, 16), which holds for up to 2^23 frames.
void startNearLimits(long long lead)
{
    const auto frames = static_cast<float>(lead);
    scene.cubeAngle = angleLimit - frames;
    scene.cubeAxisX = axisXYLimit - 2.0f * frames;
    scene.cubeAxisY = scene.cubeAxisX;
    scene.cubeAxisZ = axisZLimit - 0.125f * frames;
    scene.shotAngle = shotSpinLimit - 16.0f * frames;
}

TEST(LongRun, RotationsSaturateAndHoldAndTheCubeStillDraws)
{
    startScene();
    const long long lead = leadFrames();
    ASSERT_TRUE(lead >= 0 && lead <= (1LL << 23)) << "QUENDREL_LONG_RUN_LEAD out of range";
    if (lead > 0) {
        startNearLimits(lead);
    }
    const long long runFrames = lead > 0 ? lead + framesPastLimits : fullRunFrames;
    gldouble::setRecording(false);
    handleSpecialKey(GLUT_KEY_RIGHT, 0, 0);
    bool decreased = false;
    bool axesApart = false;
    long long angleReachedAt = -1;
    for (long long frame = 1; frame <= runFrames; ++frame) {
        // Space every frame keeps a shot in flight for the whole run.
        handleKey(' ', 0, 0);
        const SceneState before = scene;
        renderFrame();
        decreased = decreased || scene.cubeAngle < before.cubeAngle ||
                    scene.cubeAxisX < before.cubeAxisX || scene.cubeAxisZ < before.cubeAxisZ ||
                    scene.shotAngle < before.shotAngle;
        axesApart = axesApart || scene.cubeAxisX != scene.cubeAxisY;
        if (angleReachedAt < 0 && scene.cubeAngle == angleLimit) {
            angleReachedAt = frame;
        }
    }
    gldouble::setRecording(true);

    EXPECT_FALSE(decreased);
    EXPECT_FALSE(axesApart);
    // One degree a frame is exact all the way up.
    EXPECT_EQ(angleReachedAt, lead > 0 ? lead : 1LL << 24);
    // Never decreasing and at their limits after the run: each has held since
    // it got there (the axes by frame 25 million, the shot's spin by 17 million).
    EXPECT_EQ(scene.cubeAngle, angleLimit);
    EXPECT_EQ(scene.cubeAxisZ, axisZLimit);
    EXPECT_EQ(scene.cubeAxisX, axisXYLimit);
    EXPECT_EQ(scene.shotAngle, shotSpinLimit);
    EXPECT_EQ(scene.cubeX, 10.000002f);

    // The next frame still draws the shot, then the cube turned by the held values.
    gldouble::reset();
    handleKey(' ', 0, 0);
    renderFrame();
    const int shotRotate = gldouble::find("glRotatef");
    const int cubeRotate = gldouble::find("glRotatef", gldouble::find("glEnd"));
    ASSERT_TRUE(shotRotate >= 0 && cubeRotate > shotRotate);
    EXPECT_EQ(gldouble::call(shotRotate).args[0], shotSpinLimit);
    EXPECT_EQ(gldouble::call(cubeRotate).args[0], angleLimit);
    EXPECT_EQ(gldouble::call(cubeRotate).args[1], axisXYLimit);
    EXPECT_EQ(gldouble::call(cubeRotate).args[3], axisZLimit);
    EXPECT_EQ(frameFault(loggedCalls(), true), "");
}

} // namespace
