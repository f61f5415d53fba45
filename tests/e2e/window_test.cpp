// The window on a real X server: full screen on black, the cube right of the
// centre where the projection puts (1.5, 0, -30), and resizes it survives.
#include <cmath>
#include <stdexcept>

#include "quendrel_fixture.h"

namespace {

constexpr double cubeStartX = 1.5;

class Window : public QuendrelOnScreen {};

TEST_F(Window, CoversTheScreenOnBlackWithTheTurningCubeRightOfCentre)
{
    const WindowRect place = window();
    EXPECT_EQ(place.width, session().screen().width());
    EXPECT_EQ(place.height, session().screen().height());
    // Without a window manager the toolkit places the window itself, one
    // pixel in from the corner.
    EXPECT_LE(std::abs(place.x), 1);
    EXPECT_LE(std::abs(place.y), 1);

    // Everything but a box around the cube is background.
    expectNothingBesidesCube(cubeStartX, 0, "non-black pixels away from the cube");

    const PixelPoint centre = projectToWindow(cubeStartX, 0, place.width, place.height);
    ASSERT_GT(centre.x, place.width / 2 + 30);
    // Whichever way it has turned, the cube covers a disc of half its edge
    // around its centre: probe inside that, in frames far enough apart.
    const int reach = static_cast<int>(pixelsPerUnit(place.height) * 0.3);
    for (int sample = 0; sample < 4; ++sample) {
        const ScreenImage screen = session().x().grabScreen();
        for (int dy = -reach; dy <= reach; dy += reach) {
            for (int dx = -reach; dx <= reach; dx += reach) {
                const int x = static_cast<int>(centre.x) + dx;
                const int y = static_cast<int>(centre.y) + dy;
                const Rgb seen = screen.at(place.x + x, place.y + y);
                EXPECT_TRUE(isCubeColour(seen)) << "frame sample " << sample << " at (" << x << ", "
                                                << y << "): " << describe(seen);
            }
        }
        expectCubeAt(cubeStartX, 0, 3);
        runFrames(37);
    }
}

TEST_F(Window, KeepsDrawingThroughResizes)
{
    session().x().resize(session().window(), 320, 240);
    runFrames(3);
    ASSERT_EQ(window().width, 320);
    expectCubeAt(cubeStartX, 0, 2);

    // A single row: the projection is squeezed to it, and frames go on.
    session().x().resize(session().window(), 400, 1);
    runFrames(3);
    EXPECT_EQ(window().height, 1);
    runFrames(50);
    EXPECT_TRUE(session().process().running());

    session().x().resize(session().window(), 640, 480);
    runFrames(3);
    expectCubeAt(cubeStartX, 0, 2);
}

// A window that has gone reads as no window; any other X error is thrown, not
// swallowed.
TEST_F(Window, AGoneWindowReadsAsNoneAndOtherXErrorsThrow)
{
    const ::Window unknown = session().window() + 0x10000; // not one of its resources
    EXPECT_EQ(session().x().rect(unknown).width, 0);
    EXPECT_EQ(session().x().findWindow("no such window"), 0u);
    EXPECT_THROW(session().x().resize(session().window(), 0, 0), std::runtime_error);
    EXPECT_THROW(session().x().resize(unknown, 10, 10), std::runtime_error);
    EXPECT_EQ(window().width, session().screen().width()) << "the errors changed the window";
}

} // namespace
