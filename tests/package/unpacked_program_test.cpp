// The program as the Debian package installs it, unpacked from the .deb into
// a private root: on Xvfb it draws the cube at its place, and Escape ends it
// with status 0. Its own libraries come from the system, as when installed.
#include "quendrel_fixture.h"

namespace {

class UnpackedProgram : public QuendrelOnScreen {};

TEST_F(UnpackedProgram, DrawsTheCubeAndEndsWithStatusZeroOnEscape)
{
    expectCubeAt(1.5, 0, 3);

    press(XK_Escape);
    session().frames().runFreely();
    const auto end = session().process().waitForEnd(std::chrono::seconds(10));
    ASSERT_TRUE(end.has_value()) << "still running 10 s after Escape";
    EXPECT_TRUE(end->exited) << "ended by signal " << end->code;
    EXPECT_EQ(end->code, 0);
}

} // namespace
