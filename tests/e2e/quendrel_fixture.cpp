// The fixture: the program and pacer paths from the build (and an emulator to
// start it through, if any), and the probes and expectations over the frame the
// session holds.
#include "quendrel_fixture.h"

SessionOptions quendrelOptions()
{
    SessionOptions options;
    options.program = QUENDREL_PROGRAM;
    options.pacer = FRAME_PACER;
#ifdef QUENDREL_WRAPPER
    // A program built for another machine (arm64) starts through its emulator.
    options.wrapper = {QUENDREL_WRAPPER};
#endif
    return options;
}

void QuendrelOnScreen::expectCleanExitOnEscape()
{
    const auto end = programSession->endWithEscape();
    ASSERT_TRUE(end.has_value()) << "still running 10 s after Escape";
    EXPECT_TRUE(end->exited) << "ended by signal " << end->code;
    EXPECT_EQ(end->code, 0);
}

PixelSet QuendrelOnScreen::cube()
{
    return findPixels(programSession->x().grabScreen(), window(), isCubeColour);
}

void QuendrelOnScreen::expectCubeAt(double sceneX, double sceneY, double slack)
{
    const WindowRect place = window();
    const PixelPoint expected = projectToWindow(sceneX, sceneY, place.width, place.height);
    const PixelSet found = cube();
    ASSERT_GT(found.count, 0) << "no cube colour in the window";
    const std::string context = "scene point (" + std::to_string(sceneX) + ", " +
                                std::to_string(sceneY) + "), " + std::to_string(found.count) +
                                " cube pixels";
    EXPECT_NEAR(found.centreX, expected.x, slack) << context;
    EXPECT_NEAR(found.centreY, expected.y, slack) << context;
}

std::pair<int, std::string> QuendrelOnScreen::strayPixels(double cubeX, double cubeY)
{
    return ::strayPixels(programSession->x().grabScreen(), window(), cubeX, cubeY);
}
