// Key handlers: they only write the scene record (or end the process); the
// next frame shows their effect.
#include "input/keys.h"

#include <GL/glut.h>

#include <cstdlib>
#include <iterator>

#include "scene/scene_state.h"

namespace {

constexpr unsigned char escapeKey = 27;
constexpr unsigned char spaceKey = ' ';

struct Drift {
    float stepX;
    float stepY;
};

constexpr float driftStep = 0.1f;

// Indexed by key - GLUT_KEY_LEFT. Each arrow sets both steps, so only one
// axis drifts at a time, and the drift goes on after the key is released.
constexpr Drift arrowDrifts[] = {
    {-driftStep, 0.0f}, // GLUT_KEY_LEFT
    {0.0f, driftStep},  // GLUT_KEY_UP
    {driftStep, 0.0f},  // GLUT_KEY_RIGHT
    {0.0f, -driftStep}, // GLUT_KEY_DOWN
};

static_assert(GLUT_KEY_UP == GLUT_KEY_LEFT + 1 && GLUT_KEY_RIGHT == GLUT_KEY_LEFT + 2 &&
                  GLUT_KEY_DOWN == GLUT_KEY_LEFT + 3,
              "the arrow table follows the toolkit's key codes");

} // namespace

void handleKey(unsigned char key, int x, int y)
{
    if (key == escapeKey) {
        std::exit(0);
    }
    // The pointer is written as it stands. An armed shot replaces it with the
    // cube's position at launch; a flying shot jumps there, in scene units.
    if (key == spaceKey) {
        scene.shotActive = true;
        scene.shotX = static_cast<float>(x);
        scene.shotY = static_cast<float>(y);
    }
}

void handleSpecialKey(int key, int /*x*/, int /*y*/)
{
    // Unsigned, so codes below GLUT_KEY_LEFT wrap past the table instead of
    // overflowing, and every code outside the four arrows is ignored.
    const unsigned index = static_cast<unsigned>(key) - static_cast<unsigned>(GLUT_KEY_LEFT);
    if (index >= std::size(arrowDrifts)) {
        return;
    }
    scene.cubeStepX = arrowDrifts[index].stepX;
    scene.cubeStepY = arrowDrifts[index].stepY;
}
