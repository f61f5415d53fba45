// The program and pacer paths come from the build; the renderer is forced to
// Mesa's llvmpipe so every machine draws the same pixels.
#include "quendrel_fixture.h"

SessionOptions quendrelOptions()
{
    SessionOptions options;
    options.program = QUENDREL_PROGRAM;
    options.pacer = FRAME_PACER;
    options.environment = {{"LIBGL_ALWAYS_SOFTWARE", "true"}, {"GALLIUM_DRIVER", "llvmpipe"}};
    return options;
}

PixelSet QuendrelOnScreen::cube()
{
    return findPixels(session_->x().grabScreen(), window(), isCubeColour);
}

void QuendrelOnScreen::expectCubeAt(double sceneX, double sceneY, double slack)
{
    const WindowRect place = window();
    const PixelPoint expected = projectToWindow(sceneX, sceneY, place.width, place.height);
    const PixelSet found = cube();
    ASSERT_GT(found.count, 0) << "no cube colour in the window";
    EXPECT_NEAR(found.centreX, expected.x, slack)
        << "scene point (" << sceneX << ", " << sceneY << "), " << found.count << " cube pixels";
    EXPECT_NEAR(found.centreY, expected.y, slack)
        << "scene point (" << sceneX << ", " << sceneY << "), " << found.count << " cube pixels";
}
