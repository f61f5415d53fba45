// Keys through the X server: each arrow drifts the cube its way until it stops
// near the edge of its 10-unit range, still in view; other keys change
// nothing but the cube's own turning.
#include "quendrel_fixture.h"

namespace {

constexpr double cubeStartX = 1.5;
constexpr double driftStep = 0.1;
constexpr double limit = 10.0;

class Keys : public QuendrelOnScreen {
  protected:
    // From (x, y): the key sets the drift, checked a short way on and again at
    // the limit; returns where the cube stops.
    void driveTo(KeySym key, double x, double y, double dx, double dy, int framesToLimit)
    {
        const double slack = pixelsPerUnit(window().height) * driftStep * 1.5;
        press(key);
        // A frame shows the position the previous frame left.
        constexpr int shortWay = 20;
        runFrames(shortWay);
        expectCubeAt(x + dx * driftStep * (shortWay - 1), y + dy * driftStep * (shortWay - 1),
                     slack);

        runFrames(framesToLimit);
        const double stopX = dx != 0 ? dx * limit : x;
        const double stopY = dy != 0 ? dy * limit : y;
        expectCubeAt(stopX, stopY, slack);
        const PixelSet atLimit = cube();
        runFrames(20);
        expectCubeAt(stopX, stopY, slack);
        // Wholly in view: no cube pixel on the window's border.
        const WindowRect place = window();
        EXPECT_GT(atLimit.top, 0);
        EXPECT_LT(atLimit.bottom, place.height - 2);
    }
};

TEST_F(Keys, ArrowsDriftTheCubeToTheEdgeOfItsRange)
{
    driveTo(XK_Right, cubeStartX, 0, 1, 0, 80);
    driveTo(XK_Left, limit, 0, -1, 0, 190);
    driveTo(XK_Up, -limit, 0, 0, 1, 90);
    driveTo(XK_Down, -limit, limit, 0, -1, 190);
}

TEST_F(Keys, OtherKeysChangeNothingButTheTurn)
{
    const ScreenImage before = session().x().grabScreen();
    for (KeySym key : {XK_a, XK_Return, XK_F1, XK_Prior, XK_Home}) {
        press(key);
    }
    session().tapKeys({XK_Shift_L, XK_q});
    // A shot would show a few frames on, a drift soon after.
    for (int frames : {3, 27}) {
        runFrames(frames);
        expectCubeAt(cubeStartX, 0, 3);
        expectNothingBesidesCube(cubeStartX, 0, "something besides the cube is drawn");
    }
    EXPECT_NE(session().x().grabScreen().rgb, before.rgb) << "the cube stopped turning";

    // Nothing set the cube drifting either.
    runFrames(60);
    expectCubeAt(cubeStartX, 0, 3);
    EXPECT_TRUE(session().process().running());
}

} // namespace
