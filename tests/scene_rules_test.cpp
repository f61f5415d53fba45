// The scene's rules in single precision: the bounded drift, the turn that
// saturates, the key tables and the shot's states.
#include <gtest/gtest.h>

#include <GL/glut.h>

#include <climits>
#include <cmath>

#include "input/keys.h"
#include "scene/frame.h"
#include "test_support.h"

namespace {

void runFrames(int frames)
{
    for (int i = 0; i < frames; ++i) {
        gldouble::reset();
        renderFrame();
    }
}

// The shot's centre as drawn in the frame just run, from its glTranslatef.
bool shotDrawnAt(float x, float y)
{
    const int push = gldouble::find("glPushMatrix");
    if (push < 0 || !isCall(push + 1, "glTranslatef")) {
        return false;
    }
    const gldouble::Call& translate = gldouble::call(push + 1);
    return translate.args[0] == x && translate.args[1] == y && translate.args[2] == -30.0;
}

TEST(MoveBounded, StepsInsideAndOnTheLimitsOnlyInwardBeyondThemNeverByZero)
{
    const struct {
        float position;
        float step;
        float expected;
    } moves[] = {
        // Inside the range, limits included, every step applies: on a limit the
        // coordinate still moves outward, once.
        {0.0f, 0.1f, 0.1f},
        {-3.0f, -0.1f, -3.1f},
        {10.0f, 0.1f, 10.1f},
        {-10.0f, -0.1f, -10.1f},
        {10.0f, -0.1f, 9.9f},
        {-10.0f, 0.1f, -9.9f},
        // Beyond a limit only a step back inward applies.
        {10.1f, 0.1f, 10.1f},
        {-10.1f, -0.1f, -10.1f},
        {10.1f, -0.1f, 10.0f},
        {-10.1f, 0.1f, -10.0f},
        {250.0f, 0.1f, 250.0f},
        {250.0f, -0.1f, 249.9f},
    };
    for (const auto& move : moves) {
        EXPECT_EQ(moveBounded(move.position, move.step), move.expected) << move.position;
    }
    for (float position : {-250.0f, -10.1f, -10.0f, 0.0f, 1.5f, 10.0f, 10.1f, 250.0f}) {
        EXPECT_EQ(moveBounded(position, 0.0f), position) << position;
    }
}

TEST(CubeDrift, StopsJustPastTheLimitInSinglePrecisionAndComesBack)
{
    constexpr float justPast = 10.000002f;
    const struct {
        int key;
        float SceneState::*moving;
        float SceneState::*still;
        float startX;
        float stop;
        int framesInside;
    } drifts[] = {
        {GLUT_KEY_RIGHT, &SceneState::cubeX, &SceneState::cubeY, 1.5f, justPast, 84},
        {GLUT_KEY_UP, &SceneState::cubeY, &SceneState::cubeX, 0.0f, justPast, 99},
        {GLUT_KEY_DOWN, &SceneState::cubeY, &SceneState::cubeX, 0.0f, -justPast, 99},
    };
    for (const auto& drift : drifts) {
        startScene();
        scene.cubeX = drift.startX;
        const float still = scene.*drift.still;
        handleSpecialKey(drift.key, 0, 0);
        runFrames(drift.framesInside);
        EXPECT_LT(std::fabs(scene.*drift.moving), 10.0f) << drift.key;
        runFrames(1);
        EXPECT_EQ(scene.*drift.moving, drift.stop) << drift.key;
        runFrames(500);
        EXPECT_EQ(scene.*drift.moving, drift.stop) << drift.key;
        EXPECT_EQ(scene.*drift.still, still) << drift.key;
    }

    // Left at the right limit takes it back inside in the very next frame.
    scene.cubeX = justPast;
    handleSpecialKey(GLUT_KEY_LEFT, 0, 0);
    runFrames(1);
    EXPECT_LT(scene.cubeX, 10.0f);
}

TEST(CubeDrift, RightThenUpTurnsTheDriftFromWhereTheCubeIs)
{
    startScene();
    handleSpecialKey(GLUT_KEY_RIGHT, 0, 0);
    runFrames(10);
    const float reachedX = scene.cubeX;
    EXPECT_GT(reachedX, 2.0f);

    handleSpecialKey(GLUT_KEY_UP, 0, 0);
    runFrames(10);
    EXPECT_EQ(scene.cubeX, reachedX);
    EXPECT_GT(scene.cubeY, 0.9f);
}

TEST(Keys, EveryKeyButEscapeSpaceAndTheArrowsChangesNothing)
{
    startScene();
    scene.cubeStepX = 0.1f;
    scene.cubeStepY = -0.1f;
    const SceneState before = scene;
    for (int key = 0; key < 256; ++key) {
        if (key != 27 && key != ' ') {
            handleKey(static_cast<unsigned char>(key), 123, 45);
        }
    }
    for (int key = -1000; key < 1000; ++key) {
        if (key < GLUT_KEY_LEFT || key > GLUT_KEY_DOWN) {
            handleSpecialKey(key, 0, 0);
        }
    }
    for (int key : {INT_MIN, INT_MIN + 99, INT_MIN + 100, INT_MAX - 1, INT_MAX}) {
        handleSpecialKey(key, 0, 0);
    }
    EXPECT_EQ(sceneFields(scene), sceneFields(before));
}

TEST(Keys, ArrowsSetBothStepsSoOneAxisDrifts)
{
    startScene();
    const struct {
        int key;
        float stepX;
        float stepY;
    } arrows[] = {
        {GLUT_KEY_LEFT, -0.1f, 0.0f},
        {GLUT_KEY_UP, 0.0f, 0.1f},
        {GLUT_KEY_RIGHT, 0.1f, 0.0f},
        {GLUT_KEY_DOWN, 0.0f, -0.1f},
    };
    for (const auto& arrow : arrows) {
        handleSpecialKey(arrow.key, 300, 200);
        EXPECT_EQ(scene.cubeStepX, arrow.stepX) << arrow.key;
        EXPECT_EQ(scene.cubeStepY, arrow.stepY) << arrow.key;
    }
    EXPECT_EQ(scene.cubeX, 1.5f);
}

TEST(KeysDeathTest, EscapeEndsWithStatusZeroEvenInFlight)
{
    startScene();
    EXPECT_EXIT(handleKey(27, 0, 0), ::testing::ExitedWithCode(0), "");

    handleKey(' ', 0, 0);
    runFrames(3);
    ASSERT_FALSE(scene.shotArmed);
    EXPECT_EXIT(handleKey(27, 10, 10), ::testing::ExitedWithCode(0), "");
}

TEST(Shot, SpaceFiresWithThePointerAsItStandsTheLaunchFromTheTruncatedCube)
{
    startScene();
    scene.cubeX = -0.7f;
    scene.cubeY = -3.9f;
    handleKey(' ', 400, -7);
    EXPECT_TRUE(scene.shotActive);
    EXPECT_TRUE(scene.shotArmed);
    EXPECT_EQ(scene.shotX, 400.0f);
    EXPECT_EQ(scene.shotY, -7.0f);
    handleKey(' ', 20, 10); // again before the launch frame
    runFrames(1);
    EXPECT_TRUE(shotDrawnAt(0.0f, -3.0f));
    EXPECT_FALSE(scene.shotArmed);
}

TEST(Shot, SpaceInFlightMovesTheShotToThePointer)
{
    startScene();
    handleKey(' ', 0, 0);
    runFrames(3);

    // Low enough: it goes on rising from there.
    handleKey(' ', 7, 5);
    runFrames(1);
    EXPECT_TRUE(shotDrawnAt(7.0f, 5.0f));
    runFrames(1);
    EXPECT_TRUE(shotDrawnAt(7.0f, 6.0f));

    // Far above the view: drawn there once, then the flight ends.
    handleKey(' ', 400, 300);
    runFrames(1);
    EXPECT_TRUE(shotDrawnAt(400.0f, 300.0f));
    EXPECT_FALSE(scene.shotActive);
    EXPECT_TRUE(scene.shotArmed);

    // The next shot starts from the cube again, turned where the last stopped.
    const float spinSoFar = scene.shotAngle;
    handleKey(' ', 400, 300);
    runFrames(1);
    EXPECT_TRUE(shotDrawnAt(1.0f, 0.0f));
    EXPECT_EQ(gldouble::call(gldouble::find("glRotatef")).args[0], spinSoFar);
}

TEST(Shot, TheShotKeepsItsLaunchXWhileTheCubeDrifts)
{
    startScene();
    handleSpecialKey(GLUT_KEY_RIGHT, 0, 0);
    handleKey(' ', 0, 0);
    runFrames(11);
    EXPECT_GT(scene.cubeX, 2.0f);
    EXPECT_TRUE(shotDrawnAt(1.0f, 10.0f));
}

} // namespace
