// More than 2^25 frames with GL a no-op: every rotation value grows until its
// single-precision step rounds away, holds there for good, never decreases,
// and the cube and a shot still draw at the end.
#include <gtest/gtest.h>

#include <GL/glut.h>

#include "input/keys.h"
#include "scene/frame.h"
#include "test_support.h"

namespace {

constexpr long long runFrames = (1LL << 25) + (1LL << 20);

// Where adding each step rounds away in single precision.
constexpr float angleLimit = 16777216.0f;     // 2^24, step 1
constexpr float axisZLimit = 2097152.0f;      // 2^21, step 0.1
constexpr float axisXYLimit = 33554432.0f;    // 2^25, step 1.1
constexpr float shotSpinLimit = 268435456.0f; // 2^28, step 15

TEST(LongRun, RotationsSaturateAndHoldAndTheCubeStillDraws)
{
    startScene();
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
    EXPECT_EQ(angleReachedAt, 1LL << 24);
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
