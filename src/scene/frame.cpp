// The frame routine and the six-coloured unit cube it draws every frame.
#include "scene/frame.h"

#include <GL/glut.h>

#include "scene/palette.h"
#include "scene/scene_state.h"
#include "scene/shot.h"

namespace {

struct CubeFace {
    Vec3 colour;
    Vec3 corners[4];
};

// One flat colour per face, set before its first corner.
// clang-format off
constexpr CubeFace cubeFaces[] = {
    // top, y = +0.5
    {green, {{0.5f, 0.5f, -0.5f}, {-0.5f, 0.5f, -0.5f}, {-0.5f, 0.5f, 0.5f}, {0.5f, 0.5f, 0.5f}}},

    // bottom, y = -0.5
    {orange, {{0.5f, -0.5f, 0.5f}, {-0.5f, -0.5f, 0.5f}, {-0.5f, -0.5f, -0.5f}, {0.5f, -0.5f, -0.5f}}},

    // front, z = +0.5
    {red, {{0.5f, 0.5f, 0.5f}, {-0.5f, 0.5f, 0.5f}, {-0.5f, -0.5f, 0.5f}, {0.5f, -0.5f, 0.5f}}},

    // back, z = -0.5
    {yellow, {{0.5f, -0.5f, -0.5f}, {-0.5f, -0.5f, -0.5f}, {-0.5f, 0.5f, -0.5f}, {0.5f, 0.5f, -0.5f}}},

    // left, x = -0.5
    {blue, {{-0.5f, 0.5f, 0.5f}, {-0.5f, 0.5f, -0.5f}, {-0.5f, -0.5f, -0.5f}, {-0.5f, -0.5f, 0.5f}}},

    // right, x = +0.5
    {magenta, {{0.5f, 0.5f, -0.5f}, {0.5f, 0.5f, 0.5f}, {0.5f, -0.5f, 0.5f}, {0.5f, -0.5f, -0.5f}}},
};
// clang-format on

void drawCube()
{
    glBegin(GL_QUADS);
    for (const CubeFace& face : cubeFaces) {
        glColor3f(face.colour.x, face.colour.y, face.colour.z);
        for (const Vec3& corner : face.corners) {
            glVertex3f(corner.x, corner.y, corner.z);
        }
    }
    glEnd();
}

} // namespace

float moveBounded(float position, float step)
{
    constexpr float driftLimit = 10.0f;

    const bool inside = position >= -driftLimit && position <= driftLimit;
    const bool backDown = position >= driftLimit && step < 0.0f;
    const bool backUp = position <= -driftLimit && step > 0.0f;
    return inside || backDown || backUp ? position + step : position;
}

void renderFrame()
{
    constexpr float degreesPerFrame = 1.0f;
    constexpr float axisGrowthXY = 1.1f;
    constexpr float axisGrowthZ = 0.1f;

    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);

    // The shot saves the model-view matrix before drawing. Remember that it ran:
    // it may end its flight, clearing shotActive, in this very frame.
    const bool shotRan = scene.shotActive;
    if (shotRan) {
        runShot(static_cast<int>(scene.cubeX), static_cast<int>(scene.cubeY));
    }

    glLoadIdentity();
    glTranslatef(scene.cubeX, scene.cubeY, scene.cubeZ);
    // The axis goes to GL unnormalised; in the first frame it is (0, 0, 0).
    glRotatef(scene.cubeAngle, scene.cubeAxisX, scene.cubeAxisY, scene.cubeAxisZ);
    drawCube();

    if (shotRan) {
        glPopMatrix();
    }

    // Single-precision sums: each stops growing once its step is below half
    // the spacing of floats at its size (the angle at 2^24).
    scene.cubeAngle += degreesPerFrame;
    scene.cubeAxisX += axisGrowthXY;
    scene.cubeAxisY += axisGrowthXY;
    scene.cubeAxisZ += axisGrowthZ;

    // Moved after drawing: a frame shows the position the previous one left.
    scene.cubeX = moveBounded(scene.cubeX, scene.cubeStepX);
    scene.cubeY = moveBounded(scene.cubeY, scene.cubeStepY);

    glutSwapBuffers();
}
