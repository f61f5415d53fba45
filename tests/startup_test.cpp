// Start-up, run over the double: the cube's place, the toolkit calls in order,
// and which routine each callback got.
#include <gtest/gtest.h>

#include <GL/glut.h>

#include <cstring>

#include "app/render_setup.h"
#include "input/keys.h"
#include "scene/frame.h"
#include "test_support.h"

int quendrelMain(int argc, char** argv);

namespace {

TEST(Startup, PlacesTheCubeOpensTheWindowAndRegistersInOrder)
{
    gldouble::reset();
    scene = SceneState{};
    char program[] = "quendrel";
    char toolkitOption[] = "-sync";
    char* argv[] = {program, toolkitOption, nullptr};

    EXPECT_EQ(quendrelMain(2, argv), 0);

    EXPECT_EQ(scene.cubeX, 1.5f);
    EXPECT_EQ(scene.cubeY, 0.0f);
    EXPECT_EQ(scene.cubeZ, -30.0f);
    EXPECT_TRUE(scene.shotArmed);
    EXPECT_FALSE(scene.shotActive);

    const char* expectedOrder[] = {"glutInit", "glutInitDisplayMode", "glutInitWindowSize",
                                   "glutCreateWindow", "glutFullScreen",
                                   // the render state
                                   "glShadeModel", "glClearColor", "glClearDepth", "glEnable",
                                   "glDepthFunc", "glEnable", "glHint",
                                   // the callbacks, then the loop
                                   "glutDisplayFunc", "glutReshapeFunc", "glutKeyboardFunc",
                                   "glutSpecialFunc", "glutIdleFunc", "glutMainLoop"};
    ASSERT_EQ(gldouble::callCount(), static_cast<int>(std::size(expectedOrder)));
    for (int i = 0; i < gldouble::callCount(); ++i) {
        EXPECT_STREQ(gldouble::call(i).name, expectedOrder[i]) << i;
    }

    EXPECT_EQ(gldouble::call(1).args[0], GLUT_DOUBLE | GLUT_RGB | GLUT_DEPTH);
    EXPECT_EQ(gldouble::call(2).args[0], 500);
    EXPECT_EQ(gldouble::call(2).args[1], 500);
    EXPECT_STREQ(gldouble::toolkit.windowTitle, "Quendrel");
    // The arguments go to the toolkit whole.
    EXPECT_EQ(gldouble::toolkit.initArgv, argv);
    ASSERT_NE(gldouble::toolkit.initArgc, nullptr);

    EXPECT_EQ(gldouble::toolkit.display, &renderFrame);
    EXPECT_EQ(gldouble::toolkit.idle, &renderFrame);
    EXPECT_EQ(gldouble::toolkit.reshape, &handleReshape);
    EXPECT_EQ(gldouble::toolkit.keyboard, &handleKey);
    EXPECT_EQ(gldouble::toolkit.special, &handleSpecialKey);
}

} // namespace
