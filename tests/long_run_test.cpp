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

// Frame number after which each value first stood at the given limit.
struct Saturation {
    float limit = 0.0f;
    long long reachedAt = -1;
};

void noteReached(Saturation& saturation, float value, long long frame)
{
    if (saturation.reachedAt < 0 && value == saturation.limit) {
        saturation.reachedAt = frame;
    }
}

TEST(LongRun, RotationsSaturateAndHoldAndTheCubeStillDraws)
{
    Saturation angle{16777216.0f};     // 2^24: adding 1 rounds away
    Saturation axisZ{2097152.0f};      // 2^21: adding 0.1 rounds away
    Saturation axisXY{33554432.0f};    // 2^25: adding 1.1 rounds away
    Saturation shotSpin{268435456.0f}; // 2^28: adding 15 rounds away

    startScene();
    gldouble::setRecording(false);
    handleSpecialKey(GLUT_KEY_RIGHT, 0, 0);
    bool decreased = false;
    bool axesApart = false;
    for (long long frame = 1; frame <= runFrames; ++frame) {
        // Space every frame keeps a shot in flight for the whole run.
        handleKey(' ', 0, 0);
        const SceneState before = scene;
        renderFrame();
        decreased = decreased || scene.cubeAngle < before.cubeAngle ||
                    scene.cubeAxisX < before.cubeAxisX || scene.cubeAxisZ < before.cubeAxisZ ||
                    scene.shotAngle < before.shotAngle;
        axesApart = axesApart || scene.cubeAxisX != scene.cubeAxisY;
        noteReached(angle, scene.cubeAngle, frame);
        noteReached(axisZ, scene.cubeAxisZ, frame);
        noteReached(axisXY, scene.cubeAxisX, frame);
        noteReached(shotSpin, scene.shotAngle, frame);
    }
    gldouble::setRecording(true);

    EXPECT_FALSE(decreased);
    EXPECT_FALSE(axesApart);
    // One degree a frame is exact all the way up.
    EXPECT_EQ(angle.reachedAt, 1LL << 24);
    for (const Saturation* s : {&angle, &axisZ, &axisXY, &shotSpin}) {
        EXPECT_GT(s->reachedAt, 0) << s->limit;
    }
    // Reached and never left: the values stand at their limits after the run.
    EXPECT_EQ(scene.cubeAngle, angle.limit);
    EXPECT_EQ(scene.cubeAxisZ, axisZ.limit);
    EXPECT_EQ(scene.cubeAxisX, axisXY.limit);
    EXPECT_EQ(scene.shotAngle, shotSpin.limit);
    EXPECT_EQ(scene.cubeX, 10.000002f);

    // The next frame still draws the cube, turned by the held values, and the shot.
    gldouble::reset();
    handleKey(' ', 0, 0);
    renderFrame();
    // The shot is drawn first, the cube after the shot's glEnd.
    const int shotRotate = gldouble::find("glRotatef");
    const int cubeRotate = gldouble::find("glRotatef", gldouble::find("glEnd"));
    ASSERT_TRUE(shotRotate >= 0 && cubeRotate > shotRotate);
    EXPECT_EQ(gldouble::call(shotRotate).args[0], shotSpin.limit);
    EXPECT_EQ(gldouble::call(cubeRotate).args[0], angle.limit);
    EXPECT_EQ(gldouble::call(cubeRotate).args[1], axisXY.limit);
    EXPECT_EQ(gldouble::call(cubeRotate).args[3], axisZ.limit);
    EXPECT_EQ(gldouble::count("glVertex3f"), 24 + 12);
    EXPECT_EQ(balancedPushDepth(), 1);
}

} // namespace
