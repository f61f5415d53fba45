// Space on a real X server: the pyramid rises above the cube in its red, green
// and blue, leaves the view within 30 frames, and the next Space fires again.
#include "quendrel_fixture.h"

namespace {

constexpr double cubeStartX = 1.5;
constexpr double launchX = 1.0; // the cube's x, truncated
constexpr int framesToLeaveView = 30;

class Shot : public QuendrelOnScreen {
  protected:
    PixelSet shotAboveCube()
    {
        return findPixels(session().x().grabScreen(), aboveCube(window()), isPrimaryBlend);
    }

    // Frames after Space until the shot shows above the cube, or 0.
    int framesUntilShotShows()
    {
        for (int frame = 1; frame <= 5; ++frame) {
            runFrames(1);
            if (shotAboveCube().count > 0) {
                return frame;
            }
        }
        return 0;
    }

    static bool isReddish(Rgb c) { return c.r > 2 * c.g && c.r > 2 * c.b; }
    static bool isGreen(Rgb c) { return c.g > 200 && c.r < 40 && c.b < 40; }
    static bool isBlue(Rgb c) { return c.b > 200 && c.r < 40 && c.g < 40; }
};

TEST_F(Shot, RisesInItsColoursAndLeavesTheView)
{
    EXPECT_EQ(shotAboveCube().count, 0) << "a shot before Space";
    press(XK_space);
    const int shown = framesUntilShotShows();
    ASSERT_GT(shown, 0) << "no shot within 5 frames of Space";

    // A few units up it is clear of the cube: check its look there.
    runFrames(4);
    const WindowRect place = window();
    const PixelSet shot = shotAboveCube();
    ASSERT_GT(shot.count, 500);
    const double unit = pixelsPerUnit(place.height);
    EXPECT_NEAR(shot.centreX, projectToWindow(launchX, 0, place.width, place.height).x, 0.2 * unit)
        << "the shot starts from the cube's truncated x";
    const ScreenImage screen = session().x().grabScreen();
    const WindowRect apexRows{place.x, place.y + shot.top, place.width, 3};
    const WindowRect baseRows{place.x, place.y + shot.bottom - static_cast<int>(unit / 2),
                              place.width, static_cast<int>(unit / 2)};
    EXPECT_GT(findPixels(screen, apexRows, isReddish).count, 0) << "no red apex";
    EXPECT_EQ(findPixels(screen, apexRows, isPrimaryBlend).count,
              findPixels(screen, apexRows, isReddish).count)
        << "the apex rows are not all red";
    EXPECT_GT(findPixels(screen, baseRows, isGreen).count, 10) << "no green corner";
    EXPECT_GT(findPixels(screen, baseRows, isBlue).count, 10) << "no blue corner";

    runFrames(framesToLeaveView - shown - 4);
    expectNothingBesidesCube(cubeStartX, 0, "the shot is still in view 30 frames after Space");
}

TEST_F(Shot, FiresAgainOnceTheFirstHasGone)
{
    press(XK_space);
    ASSERT_GT(framesUntilShotShows(), 0);
    runFrames(framesToLeaveView);
    ASSERT_EQ(shotAboveCube().count, 0);

    press(XK_space);
    EXPECT_GT(framesUntilShotShows(), 0) << "the second Space fired nothing";
}

} // namespace
