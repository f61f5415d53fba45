// quendrel.exe under Wine on a real X server: full screen with the cube where
// the projection puts it, Space and Right as on Linux, Escape ends it with
// status 0 and nothing on standard output. Each test has its own Xvfb, Wine
// prefix and wineserver.
#include <gtest/gtest.h>

#include <X11/keysym.h>

#include <cmath>
#include <memory>

#include "screen_probes.h"
#include "wine_session.h"

namespace {

using namespace std::chrono_literals;

constexpr double cubeStartX = 1.5;
constexpr double launchX = 1.0;    // the cube's x, truncated
constexpr double driftStop = 10.0; // the cube stops just past this
constexpr auto pixelDeadline = 20s;

class UnderWine : public testing::Test {
  protected:
    static void SetUpTestSuite() { ensurePrefixTemplate(WINE_PREFIX_TEMPLATE); }
    void SetUp() override
    {
        wineSession = std::make_unique<WineSession>(QUENDREL_EXE, WINE_PREFIX_TEMPLATE, WORK_DIR);
    }
    void TearDown() override { wineSession.reset(); }

    WineSession& session() { return *wineSession; }

    PixelSet cubeIn(const ScreenImage& screen)
    {
        return findPixels(screen, session().windowRect(), isCubeColour);
    }
    // The scene point (x, y) at the cube's depth, on screen.
    PixelPoint projected(double sceneX, double sceneY)
    {
        const WindowRect place = session().windowRect();
        return projectToWindow(sceneX, sceneY, place.width, place.height);
    }
    double unit() { return pixelsPerUnit(session().windowRect().height); }
    bool cubeNear(const ScreenImage& screen, double sceneX, double sceneY)
    {
        const PixelSet cube = cubeIn(screen);
        const PixelPoint expected = projected(sceneX, sceneY);
        return cube.count > 0 && std::abs(cube.centreX - expected.x) < unit() / 2 &&
               std::abs(cube.centreY - expected.y) < unit() / 2;
    }
    // Shot pixels: primary blends in the rows above the cube's top.
    PixelSet shotAboveCube(const ScreenImage& screen)
    {
        WindowRect above = session().windowRect();
        above.height = static_cast<int>(projected(0, 1.2).y);
        return findPixels(screen, above, isPrimaryBlend);
    }

    // Steps the program until a frame drawn at full size shows the cube where
    // it starts (the first frames are drawn at the creation size); it is
    // stopped after.
    bool cubeShowsAtStart()
    {
        return session().stepUntil(
            [this](const ScreenImage& screen) { return cubeNear(screen, cubeStartX, 0); },
            pixelDeadline);
    }

  private:
    std::unique_ptr<WineSession> wineSession;
};

TEST_F(UnderWine, CoversTheScreenDrawsTheCubeAndEscapeEndsItWithStatusZero)
{
    const WindowRect place = session().windowRect();
    EXPECT_EQ(place.x, 0);
    EXPECT_EQ(place.y, 0);
    EXPECT_EQ(place.width, session().x().screenWidth());
    EXPECT_EQ(place.height, session().x().screenHeight());
    EXPECT_GT(session().windowPid(), 0) << "Wine sets no _NET_WM_PID on the window";

    EXPECT_TRUE(cubeShowsAtStart()) << "no cube at the projection of (1.5, 0, -30)";

    session().resume();
    session().tapKey(XK_Escape);
    const auto end = session().program().waitForEnd(20s);
    ASSERT_TRUE(end) << "still running 20 s after Escape";
    EXPECT_TRUE(end->exited) << "ended by signal " << end->code;
    EXPECT_EQ(end->code, 0);
    EXPECT_EQ(session().standardOutput(), "");
}

TEST_F(UnderWine, SpaceShowsTheShotAboveTheCube)
{
    ASSERT_TRUE(cubeShowsAtStart());
    ASSERT_EQ(shotAboveCube(session().x().grabScreen()).count, 0) << "a shot before Space";
    session().tapKey(XK_space);

    PixelSet shot;
    EXPECT_TRUE(session().stepUntil(
        [&](const ScreenImage& screen) {
            shot = shotAboveCube(screen);
            return shot.count > 200;
        },
        pixelDeadline))
        << "no shot above the cube after Space";
    EXPECT_NEAR(shot.centreX, projected(launchX, 0).x, unit() / 2)
        << "the shot rises from the cube's truncated x";
}

TEST_F(UnderWine, RightArrowDriftsTheCubeRightToItsStop)
{
    ASSERT_TRUE(cubeShowsAtStart());
    session().tapKey(XK_Right);

    PixelSet cube;
    EXPECT_TRUE(session().stepUntil(
        [&](const ScreenImage& screen) {
            cube = cubeIn(screen);
            return cubeNear(screen, driftStop, 0);
        },
        pixelDeadline))
        << "the cube is at " << cube.centreX << ", " << cube.centreY << ", not at the stop "
        << projected(driftStop, 0).x << ", " << projected(driftStop, 0).y;
}

} // namespace
