// The shot step: launch, draw the four-sided pyramid, spin, rise, end the flight.
#include "scene/shot.h"

#include <GL/glut.h>

#include "scene/palette.h"
#include "scene/scene_state.h"

namespace {

struct ColouredPoint {
    Vec3 colour;
    Vec3 position;
};

constexpr ColouredPoint apex{red, {0.0f, 1.0f, 0.0f}};
constexpr ColouredPoint frontLeft{green, {-1.0f, -1.0f, 1.0f}};
constexpr ColouredPoint frontRight{blue, {1.0f, -1.0f, 1.0f}};
constexpr ColouredPoint backRight{green, {1.0f, -1.0f, -1.0f}};
constexpr ColouredPoint backLeft{blue, {-1.0f, -1.0f, -1.0f}};

// Four sides, apex first; the pyramid has no base. Smooth shading blends the
// corner colours across each side.
constexpr ColouredPoint pyramidSides[][3] = {
    {apex, frontLeft, frontRight}, // front, z = +1
    {apex, frontRight, backRight}, // right, x = +1
    {apex, backRight, backLeft},   // back, z = -1
    {apex, backLeft, frontLeft},   // left, x = -1
};

void drawPyramid()
{
    glBegin(GL_TRIANGLES);
    for (const auto& side : pyramidSides) {
        for (const ColouredPoint& corner : side) {
            glColor3f(corner.colour.x, corner.colour.y, corner.colour.z);
            glVertex3f(corner.position.x, corner.position.y, corner.position.z);
        }
    }
    glEnd();
}

} // namespace

void runShot(int startX, int startY)
{
    constexpr float shotDepth = -30.0f;
    constexpr float spinPerFrame = 15.0f;
    constexpr float risePerFrame = 1.0f;
    constexpr float lastRisingHeight = 15.0f;

    // An armed shot starts from the cube, replacing whatever Space wrote; once
    // in flight it keeps the x it was launched with.
    if (scene.shotArmed) {
        scene.shotArmed = false;
        scene.shotX = static_cast<float>(startX);
        scene.shotY = static_cast<float>(startY);
    }

    glLoadIdentity();
    glPushMatrix();
    glTranslatef(scene.shotX, scene.shotY, shotDepth);
    glRotatef(scene.shotAngle, 0.0f, 1.0f, 0.0f);
    drawPyramid();

    scene.shotAngle += spinPerFrame;

    // Tested after drawing, so the last frame of a flight draws it at 16,
    // above the top of the view.
    if (scene.shotY <= lastRisingHeight) {
        scene.shotY += risePerFrame;
    } else {
        scene.shotActive = false;
        scene.shotArmed = true;
    }
}
