// The program as the Debian package installs it, unpacked from the .deb into
// a private root: on Xvfb it draws the cube at its place, and Escape ends it
// with status 0. Its own libraries come from the system, as when installed.
#include "quendrel_fixture.h"

namespace {

class UnpackedProgram : public QuendrelOnScreen {};

TEST_F(UnpackedProgram, DrawsTheCubeAndEndsWithStatusZeroOnEscape)
{
    expectCubeAt(1.5, 0, 3);
    expectCleanExitOnEscape();
}

} // namespace
