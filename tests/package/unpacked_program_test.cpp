// The program as the Debian package installs it, unpacked from the .deb into
// a private root: on Xvfb it draws the cube at its place, fires the shot,
// drifts to its stop, and Escape ends it with status 0. Its own libraries come
// from the system, as when installed. The same test runs the arm64 package's
// program under qemu.
#include "quendrel_fixture.h"

namespace {

constexpr double cubeStartX = 1.5;
constexpr double launchX = 1.0;    // the cube's x, truncated
constexpr double driftStop = 10.0; // the cube stops just past this
// From 1.5 to the stop at 0.1 a frame, and a few more.
constexpr int framesToStop = 100;

class UnpackedProgram : public QuendrelOnScreen {};

TEST_F(UnpackedProgram, DrawsFiresDriftsAndEndsWithStatusZeroOnEscape)
{
    expectCubeAt(cubeStartX, 0, 3);

    // A few units up the shot is clear of the cube.
    press(XK_space);
    runFrames(6);
    const double unit = pixelsPerUnit(window().height);
    const PixelSet shot =
        findPixels(session().x().grabScreen(), aboveCube(window()), isPrimaryBlend);
    EXPECT_GT(shot.count, 500) << "no shot above the cube 6 frames after Space";
    EXPECT_NEAR(shot.centreX, projectToWindow(launchX, 0, window().width, window().height).x,
                0.2 * unit);

    press(XK_Right);
    runFrames(framesToStop);
    expectCubeAt(driftStop, 0, unit * 0.15);
    runFrames(20);
    expectCubeAt(driftStop, 0, unit * 0.15);

    expectCleanExitOnEscape();
}

} // namespace
